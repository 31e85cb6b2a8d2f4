var a, i, r, t;
for (i = 0; i < 1000; i += 1) {
    a[i] = 0;
}
t = 0;
for (r = 0; r < 6000; r += 1) {
    for (i = 0; i < 1000; i += 1) {
        a[i] = i + r;
    }
    for (i = 0; i < 1000; i += 1) {
        t += a[i];
    }
}
show_debug_message(string(t));
game_end();
