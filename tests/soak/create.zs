global.frame = 0;
global.shards = 0;
// One system lives the whole run and churns particles through a stream.
keep = part_system_create();
spark = part_type_create();
part_type_shape(spark, pt_shape_disk);
part_type_size(spark, 0.1, 0.3, 0, 0);
part_type_speed(spark, 1, 2, 0, 0);
part_type_direction(spark, 0, 360, 0, 0);
part_type_life(spark, 10, 30);
// Each spark leaves one ember when it dies; embers leave nothing, so the count stays
// level (five a frame in, as many out).
ember = part_type_create();
part_type_shape(ember, pt_shape_pixel);
part_type_life(ember, 5, 15);
part_type_death(spark, 1, ember);
keep_em = part_emitter_create(keep);
part_emitter_region(keep, keep_em, 0, 128, 0, 96, ps_shape_rectangle, ps_distr_linear);
part_emitter_stream(keep, keep_em, spark, 5);
