// Touching a coin collects it.
with (other) instance_destroy();
score += 10;
sound_play(snd_coin);
