// A bump, once per run into the wall rather than every step along it.
if (!sound_isplaying(snd_bump)) sound_play(snd_bump);
// Walls are solid: the creature is already back where it stood before this step.
// Walking on toward a coin behind the wall would only stop it again, so it sidesteps.
if (place_free(x, y - PLAYER_SPEED)) y -= PLAYER_SPEED;
else if (place_free(x - PLAYER_SPEED, y)) x -= PLAYER_SPEED;
