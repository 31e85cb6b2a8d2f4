// Saved last in the step, so what is left of the step (nothing that changes the state)
// does not separate the saved game from the uninterrupted one.
if (global.step == 3 && room == rm_main) {
    // Set in the saved game and in the one that goes on: both print the state at the
    // start of the next step, which must read the same.
    just_saved = true;
    show_debug_message("game_save gives " + string(game_save("slot.sav")));
}
if (global.step == 6 && room == rm_main && !file_exists("loaded.txt")) {
    var f;
    f = file_text_open_write("loaded.txt");
    file_text_close(f);
    // Everything the save holds changes before the load puts it back.
    global.step = 100;
    global.names[0] = "changed";
    global.extra = 5;
    score = 999;
    lives = 0;
    health = 1;
    random_set_seed(1);
    transition_kind = 3;
    with (obj_mover) {
        x = -50; y = -50; hspeed = 0; vspeed = 9; gravity = 0; friction = 0;
        alarm[0] = 40; fired = -1; ticks = -1; name = "gone";
        grid[1, 2] = 0; grid[0, 0] = 7; draws[2] = -1;
        path_end();
        timeline_running = false; timeline_position = 0;
    }
    with (obj_mover) if (tag == 1) instance_destroy();
    instance_create(5, 5, obj_mover);
    show_debug_message("changed, instances " + string(instance_count) + ", game_load gives " + string(game_load("slot.sav")));
}
