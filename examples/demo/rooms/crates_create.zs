// The floor: a row of static blocks across the bottom, and a wall at each side.
var i;
for (i = 0; i < room_width; i += 16) instance_create(i, room_height - 16, obj_floor);
for (i = 0; i < room_height - 16; i += 16) {
    instance_create(0, i, obj_floor);
    instance_create(room_width - 16, i, obj_floor);
}
