draw_set_color(c_white);
draw_text(2, 2, "frame " + string(global.frame));
