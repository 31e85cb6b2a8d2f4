local s = 0
for i = 0, 50000000 - 1 do
  s = s + (i * i) % 7
end
print(s)
