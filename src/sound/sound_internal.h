#pragma once
// What the two sound systems share inside this folder: the device state, the sounds'
// decoded buffers, and the check after OpenAL calls.
#include <AL/al.h>

#include <cstddef>
#include <cstdint>

class CSound;

bool SoundShared_On();
CSound* SoundShared_Get(int index);
// The sound's file bytes: its own (made at run time) or its entry in the data file.
bool SoundShared_Bytes(const CSound& s, const uint8_t*& data, size_t& size);
// The sound decoded into a buffer, on first use; 0 when it cannot be decoded.
ALuint SoundShared_Buffer(int index);
double SoundShared_Seconds(int index);
void SoundShared_FreeBuffer(int index);
// Logs `message` when the last OpenAL call failed; playback goes on either way.
bool SoundShared_Check(const char* message);

void Audio_Init();
void Audio_Quit();
void Audio_Update();
// The buffer of `sound` is about to go: no voice may still play it.
void Audio_ForgetSound(int sound);
