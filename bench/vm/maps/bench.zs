var m, i, t;
m = ds_map_create();
for (i = 0; i < 200000; i += 1) {
    ds_map_add(m, "key" + string(i), i);
}
t = 0;
for (i = 0; i < 200000; i += 1) {
    t += ds_map_find_value(m, "key" + string(i));
}
show_debug_message(string(t));
ds_map_destroy(m);
game_end();
