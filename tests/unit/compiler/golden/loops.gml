while i < 3 { i += 1; if i == 2 continue }
do { i -= 1; if i == 1 break } until i <= 0
for (i = 0; i < 3; i += 1) j = i
