// scr_spawn_coins(count): scatters coins over the inside of the room.
var i;
for (i = 0; i < argument0; i += 1) {
    instance_create(32 + random(room_width - 64), 32 + random(room_height - 64), obj_coin);
}
