global.step = 0;
background_save(bg_quad, "quad_saved.png");
bg_rt = background_add("quad_saved.png", false, false);
bg_red = background_create_color(8, 8, c_red);
show_debug_message("quad " + string(background_get_width(bg_quad)) + "x" + string(background_get_height(bg_quad))
    + ", loaded " + string(background_get_width(bg_rt)) + "x" + string(background_get_height(bg_rt))
    + ", colour " + string(background_get_width(bg_red)) + "x" + string(background_get_height(bg_red)));
