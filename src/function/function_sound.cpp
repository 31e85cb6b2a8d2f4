#include "function/function_sound.h"

#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game_resources.h"
#include "io/file_paths.h"
#include "room/room.h"
#include "sound/sound.h"
#include "sound/sound_system.h"
#include "value/args.h"
#include "value/value.h"

namespace {

using TArgs = CValue*;

// The sound of argument 0, or the error a game can go on from.
bool CheckSound(int index) {
    if (Sound_Exists(index)) return true;
    Code_ShowError("Sound does not exist.", false);
    return false;
}

// --- sound resources -------------------------------------------------------------------

void F_SoundExists(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Sound_Exists(Arg_Index(argc, args, 0)) ? 1 : 0);
}

const CSound* Find(int argc, TArgs args) {
    const int index = Arg_Index(argc, args, 0);
    if (!Sound_Exists(index)) return nullptr;
    return Game().resources->sounds[size_t(index)].get();
}

void F_SoundGetName(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    const CSound* s = Find(argc, args);
    r.SetString(s ? s->name : std::string());
}
void F_SoundGetKind(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    const CSound* s = Find(argc, args);
    r.SetReal(s ? s->kind : -1);
}
void F_SoundGetPreload(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    const CSound* s = Find(argc, args);
    r.SetReal(s && s->preload ? 1 : 0);
}

void F_SoundDiscard(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return;
    const int index = Arg_Index(argc, args, 0);
    if (CheckSound(index)) Sound_Discard(index);
}
void F_SoundRestore(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return;
    const int index = Arg_Index(argc, args, 0);
    if (CheckSound(index)) Sound_Restore(index);
}

// sound_add(fname, kind, preload): the new index, -1 when the file cannot be read. A
// relative name is looked for as every file the game opens by name: in the save area,
// then in the game's folder.
void F_SoundAdd(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Sound_Add(FilePaths_Resolve(Arg_Text(argc, args, 0)), Arg_Int(argc, args, 1), Arg_Bool(argc, args, 2)));
}
// sound_replace(ind, fname, kind, preload): whether it was replaced.
void F_SoundReplace(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    const int index = Arg_Index(argc, args, 0);
    if (!CheckSound(index)) return r.SetReal(0);
    r.SetReal(Sound_Replace(index, FilePaths_Resolve(Arg_Text(argc, args, 1)), Arg_Int(argc, args, 2),
                            Arg_Bool(argc, args, 3))
                  ? 1
                  : 0);
}
void F_SoundDelete(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    const int index = Arg_Index(argc, args, 0);
    if (CheckSound(index)) Sound_Delete(index);
}

void PlayOrLoop(CValue& r, int argc, TArgs args, bool loop) {
    if (!Sound_On()) return r.SetReal(-1);
    const int index = Arg_Index(argc, args, 0);
    if (!CheckSound(index)) return r.SetReal(-1);
    r.SetReal(Sound_Play(index, loop) ? 1 : 0);
}
void F_SoundPlay(CValue& r, CInstance*, CInstance*, int argc, TArgs args) { PlayOrLoop(r, argc, args, false); }
void F_SoundLoop(CValue& r, CInstance*, CInstance*, int argc, TArgs args) { PlayOrLoop(r, argc, args, true); }

void F_SoundStop(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return;
    const int index = Arg_Index(argc, args, 0);
    if (CheckSound(index)) Sound_Stop(index);
}
void F_SoundStopAll(CValue&, CInstance*, CInstance*, int, TArgs) { Sound_StopAll(); }

void F_SoundIsPlaying(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(0);
    if (!Sound_On()) return;
    const int index = Arg_Index(argc, args, 0);
    if (CheckSound(index)) r.SetReal(Sound_IsPlaying(index) ? 1 : 0);
}

void F_SoundVolume(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return;
    const int index = Arg_Index(argc, args, 0);
    if (CheckSound(index)) Sound_SetVolume(index, Arg_Real(argc, args, 1));
}

// sound_fade(snd, volume, ms): over ms / (1000 / room speed) whole frames, at least one.
void F_SoundFade(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return;
    const int index = Arg_Index(argc, args, 0);
    if (!CheckSound(index)) return;
    const CRoom* room = Room_Running();
    const int speed = room != nullptr && room->speed > 0 ? room->speed : 30;
    const int period = speed < 1000 ? 1000 / speed : 1;
    const int frames = Arg_Int(argc, args, 2) / period;
    Sound_Fade(index, Arg_Real(argc, args, 1), frames < 1 ? 1 : frames);
}

// Panning, tempo, effects and the 3-D settings of the sound resources are accepted and
// change nothing that is heard (the audio system's emitters place sounds).
void F_SoundAccepted(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return;
    if (argc > 0) CheckSound(Arg_Index(argc, args, 0));
}
void F_SoundNothing(CValue&, CInstance*, CInstance*, int, TArgs) {}

void F_SoundGlobalVolume(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Sound_SetMasterVolume(Arg_Real(argc, args, 0));
}
void F_SoundSetSearchDirectory(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Sound_SetSearchDirectory(std::string(Arg_Text(argc, args, 0)));
}

// --- CD and media control: a machine without a CD drive ----------------------------------

void F_Zero(CValue& r, CInstance*, CInstance*, int, TArgs) { r.SetReal(0); }
void F_MediaCommand(CValue& r, CInstance*, CInstance*, int, TArgs) { r.SetString(""); }

// --- audio system --------------------------------------------------------------------------

void F_AudioPlaySound(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_PlaySound(Arg_Index(argc, args, 0), Arg_Real(argc, args, 1), Arg_Bool(argc, args, 2)));
}
void F_AudioPlaySoundAt(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_PlaySoundAt(Arg_Index(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                                Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), Arg_Real(argc, args, 5),
                                Arg_Real(argc, args, 6), Arg_Bool(argc, args, 7), Arg_Real(argc, args, 8)));
}
void F_AudioPlaySoundOn(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_PlaySoundOn(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1), Arg_Bool(argc, args, 2),
                                Arg_Real(argc, args, 3)));
}
void F_AudioPlayMusic(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    if (!Sound_On()) return r.SetReal(-1);
    r.SetReal(Audio_PlayMusic(Arg_Index(argc, args, 0), Arg_Bool(argc, args, 1)) ? 1 : 0);
}
void F_AudioStopMusic(CValue&, CInstance*, CInstance*, int, TArgs) { Audio_StopMusic(); }
void F_AudioStopSound(CValue&, CInstance*, CInstance*, int argc, TArgs args) { Audio_StopSound(Arg_Id(argc, args, 0)); }
void F_AudioPauseSound(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_PauseSound(Arg_Id(argc, args, 0));
}
void F_AudioResumeSound(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_ResumeSound(Arg_Id(argc, args, 0));
}
void F_AudioPauseAll(CValue&, CInstance*, CInstance*, int, TArgs) { Audio_PauseAll(); }
void F_AudioResumeAll(CValue&, CInstance*, CInstance*, int, TArgs) { Audio_ResumeAll(); }
void F_AudioStopAll(CValue&, CInstance*, CInstance*, int, TArgs) { Audio_StopAll(); }
void F_AudioIsPlaying(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_IsPlaying(Arg_Id(argc, args, 0)) ? 1 : 0);
}
void F_AudioMasterGain(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_MasterGain(Arg_Real(argc, args, 0));
}
void F_AudioChannelNum(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_SetChannelCount(Arg_Int(argc, args, 0));
}
void F_AudioFalloffSetModel(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_SetFalloffModel(Arg_Int(argc, args, 0));
}
void F_AudioGetType(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_GetType(Arg_Index(argc, args, 0)));
}
void F_AudioSoundLength(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_SoundLength(Arg_Index(argc, args, 0)));
}

void F_AudioEmitterCreate(CValue& r, CInstance*, CInstance*, int, TArgs) { r.SetReal(Audio_EmitterCreate()); }
void F_AudioEmitterFree(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_EmitterFree(Arg_Id(argc, args, 0));
}
void F_AudioEmitterExists(CValue& r, CInstance*, CInstance*, int argc, TArgs args) {
    r.SetReal(Audio_EmitterExists(Arg_Id(argc, args, 0)) ? 1 : 0);
}
void F_AudioEmitterPosition(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_EmitterPosition(Arg_Id(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                          Arg_Real(argc, args, 3));
}
void F_AudioEmitterVelocity(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_EmitterVelocity(Arg_Id(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                          Arg_Real(argc, args, 3));
}
void F_AudioEmitterGain(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_EmitterGain(Arg_Id(argc, args, 0), Arg_Real(argc, args, 1));
}
void F_AudioEmitterPitch(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_EmitterPitch(Arg_Id(argc, args, 0), Arg_Real(argc, args, 1));
}
void F_AudioEmitterFalloff(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_EmitterFalloff(Arg_Id(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                         Arg_Real(argc, args, 3));
}
void F_AudioListenerPosition(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_ListenerPosition(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}
void F_AudioListenerVelocity(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_ListenerVelocity(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}
void F_AudioListenerOrientation(CValue&, CInstance*, CInstance*, int argc, TArgs args) {
    Audio_ListenerOrientation(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                              Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), Arg_Real(argc, args, 5));
}

}  // namespace

extern const FunctionImpl kSoundFunctions[] = {
    {"sound_exists", F_SoundExists},
    {"sound_name", F_SoundGetName},
    {"sound_get_name", F_SoundGetName},
    {"sound_get_kind", F_SoundGetKind},
    {"sound_get_preload", F_SoundGetPreload},
    {"sound_discard", F_SoundDiscard},
    {"sound_restore", F_SoundRestore},
    {"sound_add", F_SoundAdd},
    {"sound_replace", F_SoundReplace},
    {"sound_delete", F_SoundDelete},
    {"sound_play", F_SoundPlay},
    {"sound_loop", F_SoundLoop},
    {"sound_stop", F_SoundStop},
    {"sound_stop_all", F_SoundStopAll},
    {"sound_isplaying", F_SoundIsPlaying},
    {"sound_volume", F_SoundVolume},
    {"sound_fade", F_SoundFade},
    {"sound_pan", F_SoundAccepted},
    {"sound_background_tempo", F_SoundNothing},
    {"sound_global_volume", F_SoundGlobalVolume},
    {"sound_set_search_directory", F_SoundSetSearchDirectory},
    {"sound_effect_set", F_SoundAccepted},
    {"sound_effect_chorus", F_SoundAccepted},
    {"sound_effect_compressor", F_SoundAccepted},
    {"sound_effect_echo", F_SoundAccepted},
    {"sound_effect_flanger", F_SoundAccepted},
    {"sound_effect_gargle", F_SoundAccepted},
    {"sound_effect_equalizer", F_SoundAccepted},
    {"sound_effect_reverb", F_SoundAccepted},
    {"sound_3d_set_sound_position", F_SoundAccepted},
    {"sound_3d_set_sound_velocity", F_SoundAccepted},
    {"sound_3d_set_sound_distance", F_SoundAccepted},
    {"sound_3d_set_sound_cone", F_SoundAccepted},
    {"cd_init", F_Zero},
    {"cd_present", F_Zero},
    {"cd_number", F_Zero},
    {"cd_playing", F_Zero},
    {"cd_paused", F_Zero},
    {"cd_track", F_Zero},
    {"cd_length", F_Zero},
    {"cd_track_length", F_Zero},
    {"cd_position", F_Zero},
    {"cd_track_position", F_Zero},
    {"cd_play", F_Zero},
    {"cd_stop", F_Zero},
    {"cd_pause", F_Zero},
    {"cd_resume", F_Zero},
    {"cd_set_position", F_Zero},
    {"cd_set_track_position", F_Zero},
    {"cd_open_door", F_Zero},
    {"cd_close_door", F_Zero},
    {"MCI_command", F_MediaCommand},
    {"audio_listener_position", F_AudioListenerPosition},
    {"audio_listener_velocity", F_AudioListenerVelocity},
    {"audio_listener_orientation", F_AudioListenerOrientation},
    {"audio_emitter_position", F_AudioEmitterPosition},
    {"audio_emitter_velocity", F_AudioEmitterVelocity},
    {"audio_emitter_create", F_AudioEmitterCreate},
    {"audio_emitter_free", F_AudioEmitterFree},
    {"audio_emitter_exists", F_AudioEmitterExists},
    {"audio_emitter_gain", F_AudioEmitterGain},
    {"audio_emitter_pitch", F_AudioEmitterPitch},
    {"audio_emitter_falloff", F_AudioEmitterFalloff},
    {"audio_play_sound", F_AudioPlaySound},
    {"audio_play_sound_on", F_AudioPlaySoundOn},
    {"audio_play_sound_at", F_AudioPlaySoundAt},
    {"audio_falloff_set_model", F_AudioFalloffSetModel},
    {"audio_stop_sound", F_AudioStopSound},
    {"audio_pause_sound", F_AudioPauseSound},
    {"audio_resume_sound", F_AudioResumeSound},
    {"audio_pause_all", F_AudioPauseAll},
    {"audio_resume_all", F_AudioResumeAll},
    {"audio_stop_all", F_AudioStopAll},
    {"audio_is_playing", F_AudioIsPlaying},
    {"audio_master_gain", F_AudioMasterGain},
    {"audio_get_type", F_AudioGetType},
    {"audio_channel_num", F_AudioChannelNum},
    {"audio_play_music", F_AudioPlayMusic},
    {"audio_stop_music", F_AudioStopMusic},
    {"audio_sound_length", F_AudioSoundLength},
};
extern const size_t kSoundFunctionCount = std::size(kSoundFunctions);
