// Colours are 0xBBGGRR. s0 (40x30): (32, 64, 128) with the quad sprite (5x5 quadrants
// red, lime / blue, white) at (0, 0) and (30, 20) and a yellow point at (20, 5).
// s1 (20x20): orange (255, 128, 0) with the quad at (5, 5). s2 (50x30): s1 tiled from
// (5, 5). s3 (40x30): transparent but for s0 copied to (10, 5) and s0's lower quad
// copied to (0, 0).
if (!global.filled) {
    global.filled = true;
    global.s0 = surface_create(40, 30);
    global.s1 = surface_create(20, 20);
    global.s2 = surface_create(50, 30);
    global.s3 = surface_create(40, 30);
    show_debug_message("ids " + string(global.s0) + " " + string(global.s1) + " " + string(global.s2) + " " + string(global.s3));
    show_debug_message("s2 size " + string(surface_get_width(global.s2)) + "x" + string(surface_get_height(global.s2)));
    show_debug_message("exists s3 " + string(surface_exists(global.s3)) + ", exists 4 " + string(surface_exists(4)));

    show_debug_message("target s0 " + string(surface_set_target(global.s0)));
    draw_clear($804020);
    draw_sprite(spr_quad, 0, 0, 0);
    draw_sprite(spr_quad, 0, 30, 20);
    draw_set_color(c_yellow);
    draw_point(20, 5);
    draw_set_color(c_white);
    // s1 while s0 is the target: s0 is reset first, and one reset returns to the screen.
    show_debug_message("target s1 " + string(surface_set_target(global.s1)));
    draw_clear(33023);
    draw_sprite(spr_quad, 0, 5, 5);
    show_debug_message("reset " + string(surface_reset_target()));
    show_debug_message("reset again " + string(surface_reset_target()));

    surface_set_target(global.s2);
    draw_clear(c_black);
    draw_surface_tiled(global.s1, 5, 5);
    surface_reset_target();

    surface_copy(global.s3, 10, 5, global.s0);
    surface_copy_part(global.s3, 0, 0, global.s0, 30, 20, 10, 10);

    // Freeing the target resets it; the freed id is handed out again.
    global.s4 = surface_create(10, 10);
    surface_set_target(global.s4);
    surface_free(global.s4);
    show_debug_message("freed target: exists " + string(surface_exists(global.s4)) + ", reset " + string(surface_reset_target()));
    show_debug_message("reused id " + string(surface_create(8, 8) == global.s4));

    show_debug_message("s0 quad " + string(surface_getpixel(global.s0, 2, 2)) + " " + string(surface_getpixel(global.s0, 7, 2))
        + " " + string(surface_getpixel(global.s0, 2, 7)) + " " + string(surface_getpixel(global.s0, 7, 7)));
    show_debug_message("s0 point " + string(surface_getpixel(global.s0, 20, 5)) + ", field " + string(surface_getpixel(global.s0, 15, 15))
        + ", lower quad " + string(surface_getpixel(global.s0, 32, 22)) + ", outside " + string(surface_getpixel(global.s0, 40, 0)));
    show_debug_message("s1 " + string(surface_getpixel(global.s1, 0, 0)) + " " + string(surface_getpixel(global.s1, 12, 12)));
    show_debug_message("s2 " + string(surface_getpixel(global.s2, 0, 0)) + " " + string(surface_getpixel(global.s2, 12, 12))
        + " " + string(surface_getpixel(global.s2, 17, 17)) + " " + string(surface_getpixel(global.s2, 47, 27)));
    show_debug_message("s3 " + string(surface_getpixel(global.s3, 0, 0)) + " " + string(surface_getpixel(global.s3, 5, 20))
        + " " + string(surface_getpixel(global.s3, 30, 10)));

    global.spr = sprite_create_from_surface(global.s0, 0, 0, 10, 10, false, false, 0, 0);
    global.bg = background_create_from_surface(global.s0, 30, 20, 10, 10, false, false);
    show_debug_message("sprite " + string(sprite_get_width(global.spr)) + "x" + string(sprite_get_height(global.spr))
        + ", background " + string(background_get_width(global.bg)) + "x" + string(background_get_height(global.bg)));
}

if (surface_exists(global.s0)) {
    // Row 0: s0 as it is at (0, 0); s1 doubled at (50, 0); s0 halved into 20x15 at
    // (100, 0); s0's lower quad at (130, 0); s0's upper quad doubled at (140, 0).
    draw_surface(global.s0, 0, 0);
    draw_surface_ext(global.s1, 50, 0, 2, 2, 0, c_white, 1);
    draw_surface_stretched(global.s0, 100, 0, 20, 15);
    draw_surface_part(global.s0, 30, 20, 10, 10, 130, 0);
    draw_surface_part_ext(global.s0, 0, 0, 10, 10, 140, 0, 2, 2, c_white, 1);
    // Row 1: s3 at (0, 45) (the room shows through where it is transparent); the
    // upper quad doubled through draw_surface_general at (50, 45); the sprite and the
    // background made from s0 at (80, 45) and (95, 45); s0 turned 90 degrees
    // counter-clockwise about (110, 85), so it covers 110..139 x 45..84.
    draw_surface(global.s3, 0, 45);
    draw_surface_general(global.s0, 0, 0, 10, 10, 50, 45, 2, 2, 0, c_white, c_white, c_white, c_white, 1);
    draw_sprite(global.spr, 0, 80, 45);
    draw_background(global.bg, 95, 45);
    draw_surface_ext(global.s0, 110, 85, 1, 1, 90, c_white, 1);
    // Row 2: s2 at (0, 85); s1 stretched to 40x30 at (60, 85) in red at half alpha.
    draw_surface(global.s2, 0, 85);
    draw_surface_stretched_ext(global.s1, 60, 85, 40, 30, c_red, 0.5);
}
// A surface made the target and freed each frame: the yellow square lands on the screen.
var s;
s = surface_create(4, 4);
surface_set_target(s);
surface_free(s);
draw_sprite(spr_yellow, 0, 150, 110);
