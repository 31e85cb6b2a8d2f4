#pragma once
// The engine's one random generator. Scripts, shuffles, motion and particles all
// draw from it, so a game seeded with random_set_seed replays the same numbers.
//
// A 32-bit linear congruential state: state = state * 214013 + 2531011 (mod 2^32),
// and each draw gives (state >> 16) & 32767.
#include <cstdint>

// The next raw number, 0 to 32767.
int32_t Random_NextRaw();
// The next raw number / 32768, rounded to single precision: in [0, 1).
double Random_Next01();
// A random integer below n: the unit fraction (0.9999 in place of 1 or more) times n,
// both as floats, truncated toward zero. n <= 0 gives 0 or a value in (n, 0].
int32_t Random_Int(int32_t n);

// Seeds the state without touching the seed random_get_seed reports (start-up
// seeding of the generator).
void Random_SetState(uint32_t state);
// Seeds the state and remembers the seed (random_set_seed, randomize).
void Random_SetSeed(uint32_t seed);
// The last seed remembered by Random_SetSeed (0 before any).
uint32_t Random_GetSeed();
// The state itself and the remembered seed on their own, for saved games.
uint32_t Random_GetState();
void Random_RememberSeed(uint32_t seed);
// The seed start-up gives the generator before the game runs.
constexpr uint32_t kRandomStartSeed = 2101988u;
