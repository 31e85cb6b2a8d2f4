draw_set_font(fnt_main);
draw_set_color(c_white);
draw_text(view_xview[0] + 8, view_yview[0] + 8, "Score: " + string(score));
draw_text(view_xview[0] + 8, view_yview[0] + 28, "Best: " + string(highscore_value(1)));
draw_set_color(c_gray);
draw_text(view_xview[0] + 8, view_yview[0] + 332, "F5 save   F6 load");
