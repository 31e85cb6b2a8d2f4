// Walls around the edge, then the coins.
var i;
for (i = 0; i < room_width; i += 16) {
    instance_create(i, 0, obj_wall);
    instance_create(i, room_height - 16, obj_wall);
}
for (i = 16; i < room_height - 16; i += 16) {
    instance_create(0, i, obj_wall);
    instance_create(room_width - 16, i, obj_wall);
}
// Two ledges inside, where the ground tiles show them.
for (i = 160; i <= 192; i += 16) instance_create(i, 200, obj_wall);
for (i = 600; i <= 648; i += 16) instance_create(i, 420, obj_wall);
scr_spawn_coins(COIN_COUNT);
show_debug_message("Collect the coins!");
if (!sound_isplaying(snd_music)) sound_loop(snd_music);
