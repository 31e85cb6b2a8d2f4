with (other) x = 1
with (obj) { if x break; x += 1 }
with (100005) { exit }
with (all) return y
