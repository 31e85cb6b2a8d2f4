// Magenta 2 x 2 dots at (5, 5) + 20 * (i, j), under the rest of this event.
draw_background_tiled(bg_dot, 5, 5);

// Plain, mirrored, rotated, blended at half alpha, the bottom half, the right half
// scaled, stretched, stretched with a colour.
// 33023 is orange, (255, 128, 0) in 0xBBGGRR.
draw_background(bg_quad, 20, 40);
draw_background_ext(bg_quad, 48, 40, -1, 1, 0, c_white, 1);
draw_background_ext(bg_quad, 60, 48, 1, 1, 90, c_white, 1);
draw_background_ext(bg_white, 72, 40, 2, 2, 0, 33023, 0.5);
draw_background_part(bg_quad, 0, 4, 8, 4, 84, 40);
draw_background_part_ext(bg_quad, 4, 0, 4, 8, 96, 40, 2, 1, c_white, 1);
draw_background_stretched(bg_quad, 110, 40, 16, 16);
draw_background_stretched_ext(bg_white, 130, 40, 6, 10, c_lime, 1);

// General draws: whole, and the top-left quarter doubled.
draw_background_general(bg_quad, 0, 0, 8, 8, 20, 60, 1, 1, 0, c_white, c_white, c_white, c_white, 1);
draw_background_general(bg_quad, 0, 0, 4, 4, 40, 60, 2, 2, 0, c_white, c_white, c_white, c_white, 1);

// Under the white foreground square at (100, 90).
draw_background_stretched(bg_quad, 98, 88, 8, 8);

// Made at run time: loaded from a saved PNG (plain and rotated), a plain colour.
draw_background(bg_rt, 30, 102);
draw_background(bg_red, 50, 102);
draw_background_ext(bg_rt, 70, 110, 1, 1, 90, c_white, 1);
