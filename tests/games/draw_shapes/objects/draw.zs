draw_clear(c_black);
draw_set_alpha(1);
draw_set_color(c_white);
if (scene == 1) {
    // filled: x and y from 10 to 20 (pixels 10..19); outlined: the edges' pixels 26..36
    draw_rectangle(10, 10, 20, 20, false);
    draw_set_color(c_red); draw_rectangle(26, 10, 36, 20, true);
    // a gradient from black (left) to white (right), then the same with the corners
    // given the other way round: the colours go with their corners
    draw_rectangle_color(42, 4, 62, 24, c_black, c_white, c_white, c_black, false);
    draw_rectangle_color(88, 24, 68, 4, c_white, c_black, c_black, c_white, false);
    draw_set_color(c_yellow); draw_rectangle(110, 20, 94, 4, true);
    // an outline with a colour at each corner
    draw_rectangle_color(116, 4, 136, 24, c_red, c_lime, c_blue, c_white, true);
    // the current alpha
    draw_set_color(c_white); draw_set_alpha(0.5); draw_rectangle(142, 4, 156, 24, false); draw_set_alpha(1);

    // circles (24 segments) filled and outlined, ellipses with a centre-to-rim gradient
    draw_set_color(c_lime); draw_circle(20, 45, 12, false);
    draw_set_color(c_aqua); draw_circle(50, 45, 12, true);
    draw_ellipse_color(70, 33, 110, 57, c_white, c_red, false);
    draw_set_color(c_fuchsia); draw_ellipse(116, 33, 156, 57, true);
    draw_circle_color(140, 45, 5, c_yellow, c_blue, false);

    // colour forms
    draw_triangle_color(10, 64, 40, 64, 10, 94, c_red, c_lime, c_blue, false);
    draw_triangle_color(40, 94, 40, 66, 12, 94, c_red, c_lime, c_blue, true);
    draw_line_color(50, 66, 80, 66, c_red, c_blue);
    draw_point_color(50, 70, c_yellow);
    draw_line_width_color(50, 76, 80, 76, 6, c_white, c_black);
    draw_set_color(c_orange); draw_roundrect(90, 64, 120, 90, false);
    draw_roundrect_color(126, 64, 156, 90, c_white, c_blue, true);

    // arrow, buttons, health bar
    draw_set_color(c_white); draw_arrow(10, 108, 50, 108, 12);
    draw_set_color(c_gray); draw_button(60, 98, 90, 118, true);
    draw_button(94, 98, 124, 118, false);
    draw_healthbar(128, 100, 156, 116, 50, c_navy, c_red, c_lime, 0, true, true);
    draw_set_color(c_white);
}
if (scene == 2) {
    draw_set_color(c_white);
    draw_set_circle_precision(30); draw_ellipse(-3850, 3, 150, 27, false);
    draw_set_circle_precision(100); draw_ellipse(-3850, 33, 150, 57, false);
    draw_set_circle_precision(2); draw_ellipse(-3850, 63, 150, 87, false);
    draw_set_circle_precision(24); draw_ellipse(-3850, 93, 150, 117, false);
}
if (scene == 3) {
    draw_set_color(c_white);
    draw_primitive_begin(pr_pointlist);
    draw_vertex(10, 10); draw_vertex(12, 10); draw_vertex(14, 10);
    draw_primitive_end();
    draw_set_color(c_red);
    draw_primitive_begin(pr_linelist);
    draw_vertex(20, 10); draw_vertex(40, 10); draw_vertex(20, 14); draw_vertex(40, 14);
    draw_primitive_end();
    draw_set_color(c_lime);
    draw_primitive_begin(pr_linestrip);
    draw_vertex(50, 10); draw_vertex(70, 10); draw_vertex(70, 30);
    draw_primitive_end();
    draw_set_color(c_blue);
    draw_primitive_begin(pr_trianglelist);
    draw_vertex(80, 10); draw_vertex(100, 10); draw_vertex(80, 30);
    draw_vertex_color(102, 10, c_yellow, 1); draw_vertex_color(102, 30, c_yellow, 1); draw_vertex_color(82, 30, c_yellow, 1);
    draw_primitive_end();
    draw_set_color(c_aqua);
    draw_primitive_begin(pr_trianglestrip);
    draw_vertex(110, 10); draw_vertex(130, 10); draw_vertex(110, 30); draw_vertex(130, 30);
    draw_primitive_end();
    draw_set_color(c_fuchsia);
    draw_primitive_begin(pr_trianglefan);
    draw_vertex(145, 20); draw_vertex(135, 10); draw_vertex(155, 10); draw_vertex(155, 30); draw_vertex(135, 30); draw_vertex(135, 10);
    draw_primitive_end();

    // the sprite's page: the whole frame at half size, then through a grey vertex colour
    var tex;
    tex = sprite_get_texture(spr_quad, 0);
    draw_set_color(c_white);
    draw_primitive_begin_texture(pr_trianglestrip, tex);
    draw_vertex_texture(10, 40, 0, 0); draw_vertex_texture(42, 40, 1, 0);
    draw_vertex_texture(10, 72, 0, 1); draw_vertex_texture(42, 72, 1, 1);
    draw_primitive_end();
    draw_primitive_begin_texture(pr_trianglefan, tex);
    draw_vertex_texture_color(50, 40, 0, 0, c_gray, 1); draw_vertex_texture_color(82, 40, 1, 0, c_gray, 1);
    draw_vertex_texture_color(82, 72, 1, 1, c_gray, 1); draw_vertex_texture_color(50, 72, 0, 1, c_gray, 1);
    draw_primitive_end();
    // no texture: -1, and a number that is neither a texture nor a page entry
    draw_set_color(c_orange);
    draw_primitive_begin_texture(pr_trianglelist, -1);
    draw_vertex_texture(90, 40, 0, 0); draw_vertex_texture(112, 40, 1, 0); draw_vertex_texture(90, 62, 0, 1);
    draw_primitive_end();
    draw_primitive_begin_texture(pr_trianglelist, 123456);
    draw_vertex_texture(112, 42, 1, 0); draw_vertex_texture(112, 64, 1, 1); draw_vertex_texture(90, 64, 0, 1);
    draw_primitive_end();
    // a kind that is none of the six draws nothing
    draw_set_color(c_white);
    draw_primitive_begin(7);
    draw_vertex(120, 40); draw_vertex(150, 40); draw_vertex(120, 70);
    draw_primitive_end();
    // 1001 points fill x 80..156, y 100..112; the 1002nd (at 10, 115) is ignored
    draw_primitive_begin(pr_pointlist);
    for (i = 0; i < 1001; i += 1) draw_vertex(80 + i mod 77, 100 + i div 77);
    draw_set_color(c_red);
    draw_vertex(10, 115);
    draw_primitive_end();
    draw_set_color(c_white);
}
