local m, t = {}, 0
for i = 0, 199999 do m["key" .. i] = i end
for i = 0, 199999 do t = t + m["key" .. i] end
print(t)
