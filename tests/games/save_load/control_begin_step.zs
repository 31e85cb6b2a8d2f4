global.step += 1;
show_debug_message("step " + string(global.step) + " in " + room_get_name(room) + ", score " + string(score));
if (just_saved) {
    just_saved = false;
    show_debug_message("-- the state after the save:");
    scr_dump();
}
with (obj_mover) {
    show_debug_message("  mover " + string(tag) + " at " + string(x) + "," + string(y) + " draw " + string(draws[global.step - 1]));
}
