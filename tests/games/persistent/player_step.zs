show_debug_message("player step in " + room_get_name(room));
if (global.frame == 2 || global.frame == 6) room_goto(rm_keep);
if (global.frame == 4) room_goto(rm_start);
