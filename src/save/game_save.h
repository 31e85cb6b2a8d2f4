#pragma once
// Saved games: the whole running state (run values, globals, every kept room with its
// instances, the id counters) as one memory stream, and loading it back.
//
// Loading reads and checks the whole file into new records before it touches anything:
// only a file that reads cleanly to its end replaces the running game, so a damaged or
// foreign file leaves the game exactly as it was.
#include <cstdint>
#include <string>

class CStream;

constexpr int32_t kSaveVersion = 540;

// The saved state of the running game, written into `out` (emptied first).
bool GameSave_Write(CStream& out);
// Reads a saved state and, when all of it is sound, makes it the running game. False
// with `error` saying what was wrong when the stream is refused; nothing changes then.
bool GameSave_Read(CStream& in, std::string& error);

// The file forms. Writing goes to a temporary file beside `path` that is renamed over
// it, so a failed write never leaves a broken file where a good one was.
bool GameSave_WriteFile(const std::string& path, std::string& error);
bool GameSave_ReadFile(const std::string& path, std::string& error);

// Writes the whole of `bytes` to `path` through a temporary file in the same folder
// renamed over it. False with `error` when any step fails (the old file is kept).
bool GameSave_ReplaceFile(const std::string& path, const void* bytes, int64_t size, std::string& error);

// game_load records the file; the game loop performs the load at the end of the step.
void GameSave_SetPending(const std::string& path);
// Loads the recorded file, showing a non-fatal error naming it when it is refused.
void GameSave_LoadPending();
