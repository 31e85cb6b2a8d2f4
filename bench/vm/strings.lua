local s = ""
for i = 1, 30000 do
  s = s .. "ab"
end
print(#s)
