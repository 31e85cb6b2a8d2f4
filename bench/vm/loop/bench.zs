var s, i;
s = 0;
for (i = 0; i < 50000000; i += 1) {
    s += (i * i) mod 7;
}
show_debug_message(string(s));
game_end();
