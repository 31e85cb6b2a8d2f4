global.frame += 1;
var i, n, s, spr, snd, ps, pt, em, at, p, l, m, g, st, q, pq;

// Instances: a few short-lived ones a frame, each with a string of its own.
repeat (3) instance_create(x, y, obj_shard);

// Data structures of every kind, filled with reals and strings, then destroyed.
l = ds_list_create();
m = ds_map_create();
g = ds_grid_create(8, 8);
st = ds_stack_create();
q = ds_queue_create();
pq = ds_priority_create();
for (i = 0; i < 16; i += 1) {
    ds_list_add(l, i);
    ds_list_add(l, "item " + string(i));
    ds_map_add(m, "key " + string(i), "value " + string(i));
    ds_grid_set(g, i mod 8, i div 2, "cell " + string(i));
    ds_stack_push(st, i);
    ds_queue_enqueue(q, "q" + string(i));
    ds_priority_add(pq, "p" + string(i), i);
}
s = ds_list_write(l);
ds_list_clear(l);
ds_list_read(l, s);
ds_list_destroy(l);
ds_map_destroy(m);
ds_grid_destroy(g);
ds_stack_destroy(st);
ds_queue_destroy(q);
ds_priority_destroy(pq);

// A surface drawn into every frame. Sprites, sounds and paths take a new index at
// every add (their tables only grow; a freed index is not handed out again), so those
// are made and freed every tenth frame: 10,000 of each over a full run cost about
// 0.6 MB of table entries, where every frame would be 6 MB and hide a leak.
s = surface_create(32, 32);
surface_set_target(s);
draw_clear(c_blue);
draw_circle(16, 16, 8, false);
surface_reset_target();
if (global.frame mod 10 == 0) {
    spr = sprite_create_from_surface(s, 0, 0, 32, 32, false, false, 16, 16);
    sprite_delete(spr);
    spr = sprite_add("soak.png", 1, false, false, 0, 0);
    sprite_delete(spr);
    snd = sound_add("soak.wav", 0, true);
    if (global.frame mod 100 == 0) sound_play(snd);
    sound_delete(snd);
}
surface_free(s);

// A particle system with its own type, emitter and attractor, for one frame.
ps = part_system_create();
pt = part_type_create();
part_type_shape(pt, pt_shape_star);
part_type_life(pt, 5, 10);
part_type_color2(pt, c_red, c_yellow);
em = part_emitter_create(ps);
part_emitter_region(ps, em, 10, 60, 10, 60, ps_shape_ellipse, ps_distr_gaussian);
part_emitter_burst(ps, em, pt, 30);
at = part_attractor_create(ps);
part_attractor_position(ps, at, 32, 32);
part_attractor_force(ps, at, 1, 40, ps_force_linear, false);
part_system_update(ps);
part_emitter_destroy(ps, em);
part_attractor_destroy(ps, at);
part_type_destroy(pt);
part_system_destroy(ps);

// A path with a few points.
if (global.frame mod 10 == 0) {
    p = path_add();
    for (i = 0; i < 8; i += 1) path_add_point(p, i * 10, (i mod 3) * 20, 100);
    path_set_closed(p, true);
    n = path_get_length(p);
    path_delete(p);
}

if (global.frame mod 10000 == 0)
    show_debug_message("frame " + string(global.frame) + ": " + string(instance_number(obj_shard)) + " shards alive, "
                       + string(global.shards) + " gone, " + string(part_particles_count(keep)) + " particles");
