// Caught: the creature goes back to where it started and the chaser waits a moment.
show_debug_message("Caught by the chaser");
with (other) { x = xstart; y = ystart; }
path_end();
alarm[0] = room_speed * 2;
