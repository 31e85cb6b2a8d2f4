// Walking leaves puffs behind the creature's feet.
if (x != xprevious || y != yprevious)
    part_particles_create(global.ps, x + random_range(-4, 4), y + 10, global.pt_trail, 1);
