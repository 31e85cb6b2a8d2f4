fired = 0;
ticks = 0;
name = "m" + string(id);
grid[0, 0] = "corner";
grid[1, 2] = 12;
for (i = 9; i >= 0; i -= 1) draws[i] = 0;
alarm[0] = 3;
image_speed = 0;
