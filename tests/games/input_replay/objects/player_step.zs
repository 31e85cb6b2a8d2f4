// Keys the game presses itself arrive in the next frame.
if (global.f == 2) keyboard_key_press(vk_right);
if (global.f == 5) keyboard_key_release(vk_right);
if (global.f == 6) keyboard_key_press(65);
if (global.f == 7) keyboard_key_release(65);
if (keyboard_check(vk_right)) x += 4;
if (global.f == 8) keyboard_string = "set";
show_debug_message("f" + string(global.f) + " x " + string(x)
    + " right " + string(keyboard_check(vk_right)) + string(keyboard_check_pressed(vk_right))
    + string(keyboard_check_released(vk_right))
    + " A " + string(keyboard_check_pressed(65)) + string(keyboard_check_released(65))
    + " last " + string(keyboard_lastkey) + " text [" + keyboard_string + "]");
