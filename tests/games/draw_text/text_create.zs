global.glyphs = font_add_sprite(spr_glyphs, ord("a"), false, 1);
show_debug_message("glyph font " + string(global.glyphs));
