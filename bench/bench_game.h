// What the frame benchmarks share: the engine's tables, a game built in memory from a
// description and started in its first room as the runner starts one, and the timing of
// its frames.
#pragma once

#include <vector>

#include "writer/writer.h"

// The built-in variables and functions, as at the runner's start.
void Bench_RegisterEngine();

// Writes `desc` as a data file, loads and links it, and enters its first room with no
// wait between frames. On failure prints why and answers false.
bool Bench_StartGame(const GameDataDesc& desc);

struct TFrameTimes {
    std::vector<double> micros;  // each frame's time, sorted
    double seconds = 0;          // all the timed frames together
    double Median() const { return micros.empty() ? 0 : micros[micros.size() / 2]; }
};

// A few frames before the timing, so that every buffer has its size.
void Bench_WarmUp();

// Times `frames` frames.
TFrameTimes Bench_TimeFrames(int frames);

// Ends the game; the process's exit code.
int Bench_EndGame();
