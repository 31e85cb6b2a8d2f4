// A collected coin bursts into sparks where it was.
part_particles_create(global.ps, x, y, global.pt_sparkle, 16);
