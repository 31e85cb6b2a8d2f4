#pragma once
// Particle types, particle systems and their effectors (emitters, attractors,
// destroyers, deflectors, changers): the records, one system update and the drawing.
//
// Live particles are kept in one plain array per system and updated in place; nothing
// is allocated per particle. Every random draw comes from the engine's generator, in a
// fixed order, so that a seeded game makes the same particles.
//
// Types and systems are addressed by id (the index in their table); effectors by id
// within their system. Every operation checks its ids and does nothing (or gives the
// default) for missing ones.
#include <cstdint>
#include <limits>
#include <vector>

struct CParticleType {
    bool exists = false;
    int shape = 0;
    int sprite = -1;
    bool animate = true, stretch = false, randomImage = false;
    double sizeMin = 1, sizeMax = 1, sizeIncrease = 0, sizeWiggle = 0;
    double xscale = 1, yscale = 1;
    int lifeMin = 100, lifeMax = 100;
    int stepType = -1, stepNumber = 0, deathType = -1, deathNumber = 0;
    double speedMin = 0, speedMax = 0, speedIncrease = 0, speedWiggle = 0;
    double directionMin = 0, directionMax = 0, directionIncrease = 0, directionWiggle = 0;
    double gravity = 0, gravityDirection = 270;
    double orientationMin = 0, orientationMax = 0, orientationIncrease = 0, orientationWiggle = 0;
    bool orientationRelative = false;
    // 0 one colour, 1 two over life, 2 three over life, 3 random RGB, 4 random HSV,
    // 5 a random mix of two. Modes 3 and 4 keep their six channel bounds here.
    int colourMode = 0;
    uint32_t colour[6] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0, 0, 0};
    double alpha1 = 1, alpha2 = 1, alpha3 = 1;
    bool additive = false;
};

// One live particle (64 bytes).
struct CParticle {
    uint8_t alive;
    int32_t type;
    int32_t age, life;
    float x, y, xprevious, yprevious;
    float speed, direction, orientation;
    uint32_t colour;
    float alpha, size;
    int32_t imageIndex;
    int32_t seed;
};

// The cosine and sine of a direction (degrees, as the particle holds it), kept from one
// update to the next: a particle whose direction did not change since does not work them
// out again. An entry only ever holds the values of its own key, so one that does not
// belong to the particle at its index is merely a miss.
struct CParticleHeading {
    uint32_t key = 0xFFFFFFFFu;  // the direction's bits (this one is a NaN: cos and sin give NaN)
    double cosine = std::numeric_limits<double>::quiet_NaN(), sine = std::numeric_limits<double>::quiet_NaN();
};

struct CParticleEmitter {
    bool exists = false;
    int stream = 0;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int distribution = 0, shape = 0;
    int type = -1;
};
struct CParticleAttractor {
    bool exists = false;
    double x = 0, y = 0, force = 0, distance = 0;
    int kind = 0;
    bool additive = false;
};
struct CParticleDestroyer {
    bool exists = false;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int shape = 0;
};
struct CParticleDeflector {
    bool exists = false;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int kind = 0;
    double friction = 0;
};
struct CParticleChanger {
    bool exists = false;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int shape = 0;
    int typeFrom = -1, typeTo = -1;
    int kind = 0;
};

struct CParticleSystem {
    bool exists = false;
    std::vector<CParticle> particles;
    // Index for index with the particles as far as it reaches (see CParticleHeading).
    std::vector<CParticleHeading> headings;
    std::vector<CParticleEmitter> emitters;
    std::vector<CParticleAttractor> attractors;
    std::vector<CParticleDestroyer> destroyers;
    std::vector<CParticleDeflector> deflectors;
    std::vector<CParticleChanger> changers;
    bool oldToNew = true;
    double depth = 0, x = 0, y = 0;
    bool autoUpdate = true, autoDraw = true;
};

// --- types -----------------------------------------------------------------------------

int ParticleType_Create();
void ParticleType_Destroy(int type);
bool ParticleType_Exists(int type);
void ParticleType_Clear(int type);
// The live type, or null.
CParticleType* ParticleType_Get(int type);

// --- systems ---------------------------------------------------------------------------

int ParticleSystem_Create();
void ParticleSystem_Destroy(int system);
bool ParticleSystem_Exists(int system);
// Back to a fresh system's state: no particles, no effectors, default settings.
void ParticleSystem_Clear(int system);
CParticleSystem* ParticleSystem_Get(int system);
// The table's length, empty slots included.
int ParticleSystem_Count();

// Appends `number` particles of the type at (x, y) in the system's own coordinates.
void Particles_Create(int system, double x, double y, int type, int number);
// The same, each new particle then taking the colour.
void Particles_CreateColour(int system, double x, double y, int type, uint32_t bgr, int number);
void Particles_Clear(int system);
int Particles_Count(int system);

// One update of a system: life, motion, deflectors, changers, destroyers, appearance,
// streams.
void ParticleSystem_Update(int system);
// Draws its particles at the current depth, whatever its automatic draw flag.
void ParticleSystem_Draw(int system);
// Bursts particles of a type from an emitter's region (a negative number -n: one with
// chance 1 in n).
void ParticleEmitter_Burst(int system, int emitter, int type, int number);

// The frame's particle phase: every system with automatic update on.
void Particles_UpdateAll();
// The systems the room draws by depth: those with automatic draw on, greatest depth
// first (ties in id order). ParticleDraw_Order builds the order for the frame.
int ParticleDraw_Order();
double ParticleDraw_Depth(int n);
void ParticleDraw_System(int n);

// Every type and system goes (game end).
void Particles_FreeAll();

// --- effects ---------------------------------------------------------------------------

// kind 0..11 (explosion, ring, ellipse, firework, smoke, smoke up, star, spark, flare,
// cloud, rain, snow); size 0 small, 1 medium, 2 large; colour 0xBBGGRR. Rain and snow
// fall over the whole room (its size given).
void Effect_Create(bool above, int kind, double x, double y, int size, uint32_t bgr, double roomWidth,
                   double roomHeight);
// Removes the effects' particles (and at room changes).
void Effect_Clear();

// --- the built-in shapes ---------------------------------------------------------------

constexpr int kParticleShapeCount = 14;
constexpr int kParticleShapeSize = 64;
// The pixels (0xAARRGGBB, white with the shape in alpha) of one shape; empty outside
// 0..13. Made by the program, the same on every run.
std::vector<uint32_t> ParticleShape_Pixels(int shape);
