if (!landed) {
    landed = true;
    if (!sound_isplaying(snd_bump)) sound_play(snd_bump);
}
