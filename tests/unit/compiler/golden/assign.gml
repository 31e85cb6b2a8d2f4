a = 1
b = a + 2 * 3
s = "x" + 'y'
c = -a
t = 3 * "ab"
