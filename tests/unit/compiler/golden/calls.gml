show_debug_message("hi")
x = max(1, y, "s")
z = scr_two(1, 2)
