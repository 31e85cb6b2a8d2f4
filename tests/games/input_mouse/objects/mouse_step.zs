// One line a frame: the mouse in the room and in the window, each button held /
// pressed / released, any and no button, mouse_button and mouse_lastbutton, the wheel
// and device 1's mouse (never moved, so at the window's corner).
show_debug_message("f" + string(global.f)
    + " at " + string(mouse_x) + "," + string(mouse_y)
    + " raw " + string(window_mouse_get_x()) + "," + string(device_mouse_raw_y(0))
    + " L " + string(mouse_check_button(mb_left)) + string(mouse_check_button_pressed(mb_left))
    + string(mouse_check_button_released(mb_left))
    + " R " + string(mouse_check_button(mb_right)) + string(mouse_check_button_pressed(mb_right))
    + string(mouse_check_button_released(mb_right))
    + " M " + string(device_mouse_check_button(0, mb_middle)) + string(device_mouse_check_button_pressed(0, mb_middle))
    + string(device_mouse_check_button_released(0, mb_middle))
    + " any " + string(mouse_check_button(mb_any)) + " none " + string(mouse_check_button(mb_none))
    + " btn " + string(mouse_button) + " last " + string(mouse_lastbutton)
    + " wheel " + string(mouse_wheel_up()) + string(mouse_wheel_down())
    + " dev1 " + string(device_mouse_x(1)) + "," + string(device_mouse_y(1)));
