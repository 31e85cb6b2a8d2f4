#pragma once
// Both sound systems: the sound resources (sound_* functions: each sound a buffer and
// four sources taken in turn, music on a stream of its own) and the audio system
// (audio_* functions: the sounds on a shared set of sources given out by priority,
// emitters and a listener). Every operation does nothing (and a play returns -1) when
// sound is off: the -noaudio switch, or no device at all.
#include <string>

// --- start, frame, end -------------------------------------------------------------------

// Opens the device: the loopback device when `loopback` (runs without a window), else the
// output device, falling back to the loopback (said once on stderr). `noAudio` keeps
// every operation off.
void Sound_Start(bool noAudio, bool loopback);
// Decodes the sounds that are not streamed into their buffers (the game's preparation).
bool Sound_PrepareAll();
// Stops everything and closes the device.
void Sound_Quit();
bool Sound_On();
// Once per frame, also while the game is paused: fades, music, emitters, finished
// voices, and on the loopback device the frame's share of the render (`roomSpeed`
// frames a second).
void Sound_Update(int roomSpeed);

// --- sound resources ---------------------------------------------------------------------

bool Sound_Exists(int index);
// Plays the sound once or looping; false when it does not exist or nothing could play.
bool Sound_Play(int index, bool loop);
void Sound_Stop(int index);
void Sound_StopAll();
bool Sound_IsPlaying(int index);
void Sound_SetVolume(int index, double volume);
// To `target` over `frames` frames (at least 1).
void Sound_Fade(int index, double target, int frames);
void Sound_SetMasterVolume(double volume);
// Frees the sound's buffer (it is decoded again when next played) / decodes it now.
void Sound_Discard(int index);
void Sound_Restore(int index);
// A sound from a file; its index, or -1 when the file cannot be read.
int Sound_Add(const std::string& path, int kind, bool preload);
bool Sound_Replace(int index, const std::string& path, int kind, bool preload);
void Sound_Delete(int index);

// --- audio system -------------------------------------------------------------------------

constexpr int kFirstVoiceId = 200000;

int Audio_PlaySound(int sound, double priority, bool loop);
int Audio_PlaySoundAt(int sound, double x, double y, double z, double falloffRef, double falloffMax,
                      double falloffFactor, bool loop, double priority);
int Audio_PlaySoundOn(int emitter, int sound, bool loop, double priority);
void Audio_StopSound(int id);
void Audio_PauseSound(int id);
void Audio_ResumeSound(int id);
void Audio_PauseAll();
void Audio_ResumeAll();
void Audio_StopAll();
bool Audio_IsPlaying(int id);
void Audio_MasterGain(double gain);
void Audio_SetChannelCount(int count);
void Audio_SetFalloffModel(int model);
// 0: decoded into a buffer, 1: streamed; -1 when the sound does not exist.
int Audio_GetType(int sound);
// In seconds; -1 when the sound does not exist or cannot be decoded.
double Audio_SoundLength(int sound);
bool Audio_PlayMusic(int sound, bool loop);
void Audio_StopMusic();

int Audio_EmitterCreate();
void Audio_EmitterFree(int emitter);
bool Audio_EmitterExists(int emitter);
void Audio_EmitterPosition(int emitter, double x, double y, double z);
void Audio_EmitterVelocity(int emitter, double x, double y, double z);
void Audio_EmitterGain(int emitter, double gain);
void Audio_EmitterPitch(int emitter, double pitch);
void Audio_EmitterFalloff(int emitter, double ref, double max, double factor);

void Audio_ListenerPosition(double x, double y, double z);
void Audio_ListenerVelocity(double x, double y, double z);
void Audio_ListenerOrientation(double lookX, double lookY, double lookZ, double upX, double upY, double upZ);

// Where music files are looked for besides the working directory.
void Sound_SetSearchDirectory(const std::string& dir);
