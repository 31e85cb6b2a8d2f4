t = 0;
show_debug_message("exists " + string(sound_exists(snd_beep)) + " " + string(sound_exists(7)));
show_debug_message("name " + sound_get_name(snd_beep) + ", kind " + string(sound_get_kind(snd_beep)));
show_debug_message("length " + string(audio_sound_length(snd_beep)) + ", type " + string(audio_get_type(snd_beep)));

// Two channels: the third voice of the same priority finds none, a higher one takes over
// the lowest playing voice.
audio_channel_num(2);
a = audio_play_sound(snd_beep, 5, true);
b = audio_play_sound(snd_beep, 4, true);
show_debug_message("voices " + string(a) + " " + string(b));
show_debug_message("equal priority " + string(audio_play_sound(snd_beep, 4, false)));
c = audio_play_sound(snd_beep, 6, false);
show_debug_message("higher priority " + string(c) + ": a " + string(audio_is_playing(a)) + ", b " + string(audio_is_playing(b)) + ", c " + string(audio_is_playing(c)));
audio_pause_sound(c);
show_debug_message("paused c still counts " + string(audio_is_playing(c)));
audio_resume_sound(c);

// Emitters hand out the first free id; a freed one plays nothing.
e0 = audio_emitter_create();
e1 = audio_emitter_create();
audio_emitter_free(e0);
show_debug_message("emitters " + string(e0) + " " + string(e1) + ", exists " + string(audio_emitter_exists(e0)) + string(audio_emitter_exists(e1)) + ", reused " + string(audio_emitter_create()));
audio_emitter_free(e0);
show_debug_message("on a freed emitter " + string(audio_play_sound_on(e0, snd_beep, false, 10)));
show_debug_message("missing sound " + string(audio_play_sound(99, 10, false)) + " " + string(audio_get_type(99)));

// The resource system: a half-second sound plays, then ends by itself.
sound_play(snd_beep);
show_debug_message("playing " + string(sound_isplaying(snd_beep)));
show_debug_message("added from a missing file " + string(sound_add("no such file.wav", 0, false)));

// No CD drive and no media-control interface.
show_debug_message("cd " + string(cd_init()) + string(cd_present()) + string(cd_number()) + string(cd_playing()) + ", mci [" + MCI_command("open cdaudio") + "]");
