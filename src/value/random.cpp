// The engine's random generator: one engine-wide state, touched only on the engine thread.
#include "value/random.h"

namespace {

// Before start-up seeds it the generator behaves as if seeded with 1.
uint32_t g_state = 1u;
uint32_t g_seed = 0u;

}  // namespace

int32_t Random_NextRaw() {
    g_state = g_state * 214013u + 2531011u;  // unsigned: wraps mod 2^32 by definition
    return static_cast<int32_t>((g_state >> 16) & 32767u);
}

double Random_Next01() { return static_cast<float>(Random_NextRaw() * 3.0517578125e-5); }

int32_t Random_Int(int32_t n) {
    float unit = static_cast<float>(Random_Next01());
    // Never reached by the 15-bit draw (32767/32768 < 1), kept so a caller can rely
    // on the product staying below n.
    if (unit >= 1.0f) unit = 0.9999f;
    const float product = unit * static_cast<float>(n);
    // |product| < |n| <= 2^31 in float arithmetic, except that float(INT32_MAX) is 2^31.
    if (product >= 2147483648.0f) return INT32_MAX;
    if (product <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(product);
}

void Random_SetState(uint32_t state) { g_state = state; }

void Random_SetSeed(uint32_t seed) {
    g_state = seed;
    g_seed = seed;
}

uint32_t Random_GetSeed() { return g_seed; }

uint32_t Random_GetState() { return g_state; }

void Random_RememberSeed(uint32_t seed) { g_seed = seed; }
