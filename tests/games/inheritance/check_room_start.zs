// The object relations as the functions see them.
show_debug_message("child is a descendant of grand: " + string(object_is_ancestor(obj_child, obj_grand)));
show_debug_message("child is a descendant of parent: " + string(object_is_ancestor(obj_child, obj_parent)));
show_debug_message("grand is a descendant of child: " + string(object_is_ancestor(obj_grand, obj_child)));
show_debug_message("child is a descendant of itself: " + string(object_is_ancestor(obj_child, obj_child)));
show_debug_message("parent of child: " + object_get_name(object_get_parent(obj_child)));
show_debug_message("parent of grand: " + string(object_get_parent(obj_grand)));
// instance_number counts an object's descendants too.
show_debug_message("number of grand: " + string(instance_number(obj_grand)));
show_debug_message("number of parent: " + string(instance_number(obj_parent)));
show_debug_message("number of child: " + string(instance_number(obj_child)));
