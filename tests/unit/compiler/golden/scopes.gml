var t;
t = 1
global.g = t
other.x = self.y
n = (5).z + (100003).q + (200000).w
p.q = argument0
