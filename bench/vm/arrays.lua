local a, t = {}, 0
for i = 0, 999 do a[i] = 0 end
for r = 0, 5999 do
  for i = 0, 999 do a[i] = i + r end
  for i = 0, 999 do t = t + a[i] end
end
print(t)
