// Sprites made at run time: packed frames written out as PNG files and loaded again
// (one frame; a strip of three cut side by side; one with its origin in the middle),
// and duplicates of packed sprites.
sprite_save(spr_quad, 0, "quad_saved.png");
sprite_save_strip(spr_anim, "anim_saved.png");
spr_rt = sprite_add("quad_saved.png", 1, false, false, 0, 0);
spr_rt_centre = sprite_add("quad_saved.png", 1, false, false, 4, 4);
spr_rt_strip = sprite_add("anim_saved.png", 3, false, false, 0, 0);
spr_dup = sprite_duplicate(spr_quad);
spr_trim_dup = sprite_duplicate(spr_trim);  // the packed frame holds only its opaque middle
sprite_save(spr_trim, 0, "trim_saved.png");
spr_trim_rt = sprite_add("trim_saved.png", 1, false, false, 4, 4);
show_debug_message("run-time " + string(sprite_get_width(spr_rt)) + "x" + string(sprite_get_height(spr_rt))
    + ", strip frames " + string(sprite_get_number(spr_rt_strip)) + " of " + string(sprite_get_width(spr_rt_strip))
    + ", centre origin " + string(sprite_get_xoffset(spr_rt_centre)) + "," + string(sprite_get_yoffset(spr_rt_centre))
    + ", trim copies " + string(sprite_get_width(spr_trim_dup)) + "x" + string(sprite_get_height(spr_trim_dup)) + " origin "
    + string(sprite_get_xoffset(spr_trim_dup)) + "," + string(sprite_get_yoffset(spr_trim_dup)) + " and "
    + string(sprite_get_width(spr_trim_rt)) + "x" + string(sprite_get_height(spr_trim_rt)));
show_debug_message("quad " + string(sprite_get_width(spr_quad)) + "x" + string(sprite_get_height(spr_quad))
    + ", anim frames " + string(sprite_get_number(spr_anim)) + ", trim bbox " + string(sprite_get_bbox_left(spr_trim))
    + "," + string(sprite_get_bbox_top(spr_trim)) + "," + string(sprite_get_bbox_right(spr_trim)) + ","
    + string(sprite_get_bbox_bottom(spr_trim)));
