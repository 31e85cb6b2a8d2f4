// Coins drift in a random direction and spin.
direction = random(360);
speed = 1.5;
image_speed = 0.3;
