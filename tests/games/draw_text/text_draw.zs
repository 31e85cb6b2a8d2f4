// The sprite font: every advance 9, line height 10.
draw_set_font(global.glyphs);
draw_set_color(16777215);
draw_set_alpha(1);
draw_set_halign(fa_left);
draw_set_valign(fa_top);
draw_text(2, 2, "ab#cd");                 // two lines at y 2 and 12
draw_set_halign(fa_center);
draw_text(80, 2, "abc");                  // 27 wide: from x 67
draw_set_halign(fa_right);
draw_text(158, 2, "ab");                  // 18 wide: from x 140
draw_set_halign(5);                       // not an alignment: left
draw_set_valign(fa_bottom);
draw_set_color(255);                     // red
draw_text(2, 50, "a#a");                  // two lines ending at y 50: from y 30
draw_set_valign(fa_middle);
draw_set_color(65280);                   // green
draw_set_alpha(0.5);
draw_text(40, 50, "dd");                  // one line: from y 45
draw_set_alpha(1);
draw_set_valign(fa_top);
draw_set_color(16776960);                // cyan
draw_text_ext(70, 24, "ab ab", 12, 20);   // wraps into two lines 12 apart
draw_text(100, 24, "a\#b");               // one line; "#" has no glyph: no quad, no advance

// The packed font.
draw_set_font(fnt_sans);
draw_set_color(16777215);
draw_set_halign(fa_left);
draw_text(2, 62, "Hello#World");
draw_text_transformed(150, 62, "Up", 1, 1, 90);
draw_text_transformed(60, 62, "Big", 2, 2, 0);
draw_text_color(2, 100, "Colours", 255, 65280, 16711680, 16777215, 1);
draw_set_halign(fa_center);
draw_text_ext_transformed_color(120, 100, "tilted", -1, -1, 1, 1, 20, 65535, 65535, 16711935, 16711935, 1);
