show_debug_message("-- an object of three, last first");
with (obj_item) show_debug_message("item " + tag);
show_debug_message("-- an object of two, in order");
with (obj_pair) show_debug_message("pair " + tag);
show_debug_message("-- a parent object: its own instances");
with (obj_base) show_debug_message("base " + tag + ", other is " + other.tag);
show_debug_message("-- all");
with (all) show_debug_message("all " + tag);
show_debug_message("-- an instance id, and other inside");
with (global.p1) {
    show_debug_message("self " + tag + ", other " + other.tag);
    with (other) show_debug_message("inner self " + tag + ", inner other " + other.tag);
    show_debug_message("self again " + tag + ", other " + other.tag);
}
show_debug_message("-- back: self " + tag);
show_debug_message("-- event_user inside with");
with (global.p1) event_user(0);
show_debug_message("-- break");
with (obj_item) { show_debug_message("break at " + tag); break; }
show_debug_message("-- a destroyed instance");
with (global.i2) instance_destroy();
with (global.i2) show_debug_message("must not run for i2");
with (obj_item) show_debug_message("item " + tag);
show_debug_message("-- noone and an object without instances");
with (noone) show_debug_message("must not run for noone");
with (obj_empty) show_debug_message("must not run for obj_empty");
show_debug_message("-- assignments through with reach every instance");
with (obj_pair) n = tag + "!";
with (obj_pair) show_debug_message(n);
