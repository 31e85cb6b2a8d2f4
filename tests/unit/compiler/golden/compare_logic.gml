c = a < b && b != 3 || !d
e = a = b
f = a ^^ (b >= 2)
g = ~a | 1
