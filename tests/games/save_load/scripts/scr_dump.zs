show_debug_message("  room " + room_get_name(room) + " step " + string(global.step) + " score " + string(score) + " lives " + string(lives) + " health " + string(health) + " transition " + string(transition_kind));
show_debug_message("  globals " + global.names[0] + global.names[1] + " extra " + string(variable_global_exists("extra")) + " seed " + string(random_get_seed()) + " instances " + string(instance_count));
with (obj_mover) {
    show_debug_message("  mover " + string(tag) + " id " + string(id) + " " + name + " x " + string(x) + " y " + string(y) + " xprev " + string(xprevious) + " hs " + string(hspeed) + " vs " + string(vspeed) + " sp " + string(speed) + " dir " + string(direction) + " grav " + string(gravity) + " fr " + string(friction));
    show_debug_message("    alarm " + string(alarm[0]) + " fired " + string(fired) + " ticks " + string(ticks) + " tl " + string(timeline_index) + " pos " + string(timeline_position) + " run " + string(timeline_running) + " loop " + string(timeline_loop));
    show_debug_message("    path " + string(path_index) + " pos " + string(path_position) + " speed " + string(path_speed) + " grid " + string(grid[1, 2]) + grid[0, 0] + " draws " + string(draws[0]) + "," + string(draws[1]) + "," + string(draws[2]));
}
