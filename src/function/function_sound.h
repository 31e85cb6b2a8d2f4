#pragma once
// The sound resources (sound_*), the CD and media-control functions (cd_*, MCI_command)
// and the audio system (audio_*).
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kSoundFunctions[];
extern const size_t kSoundFunctionCount;
