rooms += 1;
show_debug_message("player room_start in " + room_get_name(room) + ", rooms " + string(rooms)
    + ", players " + string(instance_number(obj_player)) + ", same id " + string(id == global.player_id));
