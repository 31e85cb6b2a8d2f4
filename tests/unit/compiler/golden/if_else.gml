if x > 1 then y = 1 else y = 2
if (x) { y += 1 }
