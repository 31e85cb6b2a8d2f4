var s, i;
s = "";
for (i = 0; i < 30000; i += 1) {
    s += "ab";
}
show_debug_message(string(string_length(s)));
game_end();
