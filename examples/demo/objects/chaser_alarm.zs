// Every second the chaser looks for a way to the creature through a grid of the walls
// and follows it; the grid is made on the first look, after the room has built its walls.
if (grid < 0) {
    grid = mp_grid_create(0, 0, room_width div 16, room_height div 16, 16, 16);
    mp_grid_add_instances(grid, obj_wall, false);
    route = path_add();
}
if (instance_exists(obj_player)) {
    if (mp_grid_path(grid, route, x, y, obj_player.x, obj_player.y, true)) path_start(route, 2, 0, true);
}
alarm[0] = room_speed;
