// Magenta 2 x 2 dots every 20 pixels, at (9, 18) + 20 * (i, j): under everything else.
draw_sprite_tiled(spr_dot, 0, 9, 18);

// Row 0: plain, rotated, mirrored, flipped, scaled, blended, half alpha, half turn.
// Colours are 0xBBGGRR: 33023 is orange (255, 128, 0), 16744448 is (0, 128, 255).
draw_sprite(spr_red, 0, 4, 4);
draw_sprite_ext(spr_quad, 0, 24, 12, 1, 1, 90, c_white, 1);
draw_sprite_ext(spr_quad, 0, 52, 4, -1, 1, 0, c_white, 1);
draw_sprite_ext(spr_quad, 0, 64, 12, 1, -1, 0, c_white, 1);
draw_sprite_ext(spr_quad, 0, 82, 2, 2, 2, 0, c_white, 1);
draw_sprite_ext(spr_white, 0, 104, 4, 2, 2, 0, 33023, 1);
draw_sprite_ext(spr_red, 0, 124, 4, 2, 2, 0, c_white, 0.5);
draw_sprite_ext(spr_quad, 0, 152, 12, 1, 1, 180, c_white, 1);

// Row 1: part, stretched, scaled part, general (plain, corner colours, rotated part),
// stretched with a colour.
draw_sprite_part(spr_quad, 0, 4, 0, 4, 8, 4, 24);
draw_sprite_stretched(spr_quad, 0, 22, 22, 16, 8);
draw_sprite_part_ext(spr_quad, 0, 0, 4, 8, 4, 44, 24, 1, 2, c_white, 1);
draw_sprite_general(spr_quad, 0, 0, 0, 8, 8, 64, 24, 1, 1, 0, c_white, c_white, c_white, c_white, 1);
draw_sprite_general(spr_white, 0, 0, 0, 4, 4, 84, 24, 2, 2, 0, c_red, c_lime, c_blue, c_yellow, 1);
draw_sprite_general(spr_quad, 0, 4, 0, 4, 8, 104, 32, 1, 1, 90, c_white, c_white, c_white, c_white, 1);
draw_sprite_stretched_ext(spr_white, 0, 124, 24, 12, 6, 16744448, 1);

// Row 3: a frame the packer cut down to its opaque 4 x 4 middle (origin 4, 4), and
// frame numbers past the end.
draw_sprite(spr_trim, 0, 8, 66);
draw_sprite_part(spr_trim, 0, 0, 0, 8, 8, 22, 62);
draw_sprite_part(spr_trim, 0, 3, 3, 4, 4, 42, 62);
draw_sprite_stretched(spr_trim, 0, 62, 62, 16, 16);
draw_sprite_ext(spr_trim, 0, 90, 70, 1, 1, 90, c_white, 1);
draw_sprite(spr_anim, 4, 104, 64);
draw_sprite(spr_anim, 5, 110, 64);

// Row 4: alpha over another sprite, and the draw alpha taken by the plain draw.
draw_sprite_ext(spr_white, 0, 4, 84, 4, 4, 0, c_blue, 1);
draw_sprite_ext(spr_red, 0, 8, 88, 2, 2, 0, c_white, 0.5);
draw_set_alpha(0.5);
draw_sprite(spr_red, 0, 30, 84);
draw_set_alpha(1);

// Row 5: sprites made while the game runs.
draw_sprite(spr_rt, 0, 4, 104);
draw_sprite_ext(spr_rt, 0, 24, 112, 1, 1, 90, c_white, 1);
draw_sprite(spr_rt_strip, 1, 44, 104);
draw_sprite(spr_dup, 0, 64, 104);
draw_sprite(spr_rt_centre, 0, 88, 108);
draw_sprite_part(spr_rt, 0, 4, 4, 4, 4, 104, 104);
draw_sprite_stretched(spr_rt, 0, 124, 104, 16, 8);
draw_sprite(spr_trim_dup, 0, 146, 108);
draw_sprite(spr_trim_rt, 0, 154, 108);
