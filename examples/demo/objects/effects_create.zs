// The room's particle effects: one system just under the creature (which is at depth
// -10), a burst of sparks for each coin collected and a faint trail behind the creature.
ps = part_system_create();
part_system_depth(ps, -8);

global.pt_sparkle = part_type_create();
part_type_shape(global.pt_sparkle, pt_shape_star);
part_type_size(global.pt_sparkle, 0.15, 0.3, -0.005, 0);
part_type_speed(global.pt_sparkle, 2, 4, -0.1, 0);
part_type_direction(global.pt_sparkle, 0, 360, 0, 0);
part_type_orientation(global.pt_sparkle, 0, 360, 6, 0, false);
part_type_color2(global.pt_sparkle, c_yellow, c_orange);
part_type_alpha2(global.pt_sparkle, 1, 0);
part_type_blend(global.pt_sparkle, true);
part_type_life(global.pt_sparkle, 20, 35);

global.pt_trail = part_type_create();
part_type_shape(global.pt_trail, pt_shape_smoke);
part_type_size(global.pt_trail, 0.2, 0.3, 0.01, 0);
part_type_speed(global.pt_trail, 0, 0.3, 0, 0);
part_type_direction(global.pt_trail, 0, 360, 0, 0);
part_type_color1(global.pt_trail, c_silver);
part_type_alpha3(global.pt_trail, 0.5, 0.3, 0);
part_type_life(global.pt_trail, 20, 30);

global.ps = ps;
