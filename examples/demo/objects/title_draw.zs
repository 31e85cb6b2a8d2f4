draw_set_font(fnt_main);
draw_set_halign(fa_center);
draw_set_color(c_yellow);
draw_text(room_width / 2, 120, "ZORVEX DEMO");
draw_set_color(c_white);
draw_text(room_width / 2, 170, "Press Enter to play, C for falling crates");
draw_set_halign(fa_left);
// The best rounds so far, kept between runs.
draw_set_color(c_silver);
draw_highscore(room_width / 2 - 110, 200, room_width / 2 + 110, 350);
