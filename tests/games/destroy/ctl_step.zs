if (global.frame == 1) {
    show_debug_message("ctl destroys v1");
    with (global.v1) instance_destroy();
    show_debug_message("ctl after destroy: victims " + string(instance_number(obj_victim))
        + ", v1 exists " + string(instance_exists(global.v1)) + ", count " + string(instance_count));
    with (obj_victim) show_debug_message("with sees " + tag);
    with (global.v1) show_debug_message("with over the destroyed v1 runs");
}
