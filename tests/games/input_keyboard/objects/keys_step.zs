// One line a frame: right arrow held / pressed / released, Shift (16) and left Shift
// (160) held, keyboard_key, keyboard_lastkey, any key / no key, and the typed text.
show_debug_message("f" + string(global.f)
    + " right " + string(keyboard_check(vk_right)) + string(keyboard_check_pressed(vk_right))
    + string(keyboard_check_released(vk_right))
    + " shift " + string(keyboard_check(vk_shift)) + string(keyboard_check(vk_lshift))
    + " key " + string(keyboard_key) + " last " + string(keyboard_lastkey)
    + " any " + string(keyboard_check(vk_anykey)) + string(keyboard_check(vk_nokey))
    + " text [" + keyboard_string + "]");
