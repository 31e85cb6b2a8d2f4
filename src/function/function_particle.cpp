#include "function/function_particle.h"

#include <iterator>
#include <vector>

#include "particle/particle.h"
#include "room/room.h"
#include "value/args.h"

namespace {

// The parameters of a handler written in place in the table: "[] PART_ARGS { ... }".
#define PART_ARGS                                                                                             \
    ([[maybe_unused]] CValue & result, [[maybe_unused]] CInstance * self, [[maybe_unused]] CInstance * other, \
     [[maybe_unused]] int argc, [[maybe_unused]] CValue* args)

double R(int argc, const CValue* args, int i) { return Arg_Real(argc, args, i); }
int I(int argc, const CValue* args, int i) { return Arg_Int(argc, args, i); }
bool B(int argc, const CValue* args, int i) { return Arg_Bool(argc, args, i); }

CParticleType* Type(int argc, const CValue* args) { return ParticleType_Get(I(argc, args, 0)); }
CParticleSystem* System(int argc, const CValue* args) { return ParticleSystem_Get(I(argc, args, 0)); }

// The effector lists of a system, each handled alike.
template <typename T>
using TEffectors = std::vector<T> CParticleSystem::*;

template <typename T>
T* Effector(int argc, const CValue* args, TEffectors<T> list) {
    CParticleSystem* s = System(argc, args);
    const int id = I(argc, args, 1);
    if (!s || id < 0 || size_t(id) >= (s->*list).size()) return nullptr;
    T& e = (s->*list)[size_t(id)];
    return e.exists ? &e : nullptr;
}

template <typename T, TEffectors<T> List>
void EffectorCreate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CParticleSystem* s = System(argc, args);
    if (!s) return result.SetReal(-1);
    std::vector<T>& list = s->*List;
    for (size_t i = 0; i < list.size(); ++i)
        if (!list[i].exists) {
            list[i] = T{};
            list[i].exists = true;
            return result.SetReal(double(i));
        }
    list.emplace_back();
    list.back().exists = true;
    result.SetReal(double(list.size() - 1));
}
template <typename T, TEffectors<T> List>
void EffectorDestroy(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (T* e = Effector(argc, args, List)) *e = T{};
}
template <typename T, TEffectors<T> List>
void EffectorDestroyAll(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CParticleSystem* s = System(argc, args)) (s->*List).clear();
}
template <typename T, TEffectors<T> List>
void EffectorExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Effector(argc, args, List) ? 1 : 0);
}
template <typename T, TEffectors<T> List>
void EffectorClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (T* e = Effector(argc, args, List)) {
        *e = T{};
        e->exists = true;
    }
}

#define EFFECTOR_FUNCTIONS(prefix, T, member)                                     \
    {prefix "_create", EffectorCreate<T, &CParticleSystem::member>},              \
        {prefix "_destroy", EffectorDestroy<T, &CParticleSystem::member>},        \
        {prefix "_destroy_all", EffectorDestroyAll<T, &CParticleSystem::member>}, \
        {prefix "_exists", EffectorExists<T, &CParticleSystem::member>}, {        \
        prefix "_clear", EffectorClear<T, &CParticleSystem::member>               \
    }

void SetColours(CParticleType& t, int mode, int argc, const CValue* args, int count) {
    t.colourMode = mode;
    for (int i = 0; i < count; ++i)
        t.colour[i] = mode >= 3 ? uint32_t(I(argc, args, i + 1)) : Arg_Colour(argc, args, i + 1);
}

void Effect(bool above, int argc, const CValue* args) {
    const CRoom* room = Room_Running();
    Effect_Create(above, I(argc, args, 0), R(argc, args, 1), R(argc, args, 2), I(argc, args, 3),
                  Arg_Colour(argc, args, 4), room ? room->width : 0, room ? room->height : 0);
}

}  // namespace

extern const FunctionImpl kParticleFunctions[] = {
    // --- types
    {"part_type_create", [] PART_ARGS { result.SetReal(ParticleType_Create()); }},
    {"part_type_destroy", [] PART_ARGS { ParticleType_Destroy(I(argc, args, 0)); }},
    {"part_type_exists", [] PART_ARGS { result.SetReal(ParticleType_Exists(I(argc, args, 0)) ? 1 : 0); }},
    {"part_type_clear", [] PART_ARGS { ParticleType_Clear(I(argc, args, 0)); }},
    {"part_type_shape",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) t->shape = I(argc, args, 1);
     }},
    {"part_type_sprite",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->sprite = I(argc, args, 1);
             t->animate = B(argc, args, 2);
             t->stretch = B(argc, args, 3);
             t->randomImage = B(argc, args, 4);
         }
     }},
    {"part_type_size",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->sizeMin = R(argc, args, 1);
             t->sizeMax = R(argc, args, 2);
             t->sizeIncrease = R(argc, args, 3);
             t->sizeWiggle = R(argc, args, 4);
         }
     }},
    {"part_type_scale",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->xscale = R(argc, args, 1);
             t->yscale = R(argc, args, 2);
         }
     }},
    {"part_type_life",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->lifeMin = Arg_IntTrunc(argc, args, 1);
             t->lifeMax = Arg_IntTrunc(argc, args, 2);
         }
     }},
    {"part_type_step",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->stepNumber = I(argc, args, 1);
             t->stepType = I(argc, args, 2);
         }
     }},
    {"part_type_death",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->deathNumber = I(argc, args, 1);
             t->deathType = I(argc, args, 2);
         }
     }},
    {"part_type_speed",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->speedMin = R(argc, args, 1);
             t->speedMax = R(argc, args, 2);
             t->speedIncrease = R(argc, args, 3);
             t->speedWiggle = R(argc, args, 4);
         }
     }},
    {"part_type_direction",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->directionMin = R(argc, args, 1);
             t->directionMax = R(argc, args, 2);
             t->directionIncrease = R(argc, args, 3);
             t->directionWiggle = R(argc, args, 4);
         }
     }},
    {"part_type_orientation",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->orientationMin = R(argc, args, 1);
             t->orientationMax = R(argc, args, 2);
             t->orientationIncrease = R(argc, args, 3);
             t->orientationWiggle = R(argc, args, 4);
             t->orientationRelative = B(argc, args, 5);
         }
     }},
    {"part_type_gravity",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->gravity = R(argc, args, 1);
             t->gravityDirection = R(argc, args, 2);
         }
     }},
    {"part_type_color_mix",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 5, argc, args, 2);
     }},
    {"part_type_color_rgb",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 3, argc, args, 6);
     }},
    {"part_type_color_hsv",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 4, argc, args, 6);
     }},
    {"part_type_color1",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 0, argc, args, 1);
     }},
    {"part_type_color2",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 1, argc, args, 2);
     }},
    {"part_type_color3",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 2, argc, args, 3);
     }},
    {"part_type_color",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) SetColours(*t, 2, argc, args, 3);
     }},
    {"part_type_alpha1",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) t->alpha1 = t->alpha2 = t->alpha3 = Arg_Alpha(argc, args, 1);
     }},
    {"part_type_alpha2",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             // Two alphas run evenly over the whole life: the middle one halfway.
             t->alpha1 = Arg_Alpha(argc, args, 1);
             t->alpha3 = Arg_Alpha(argc, args, 2);
             t->alpha2 = (t->alpha1 + t->alpha3) / 2;
         }
     }},
    {"part_type_alpha3",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->alpha1 = Arg_Alpha(argc, args, 1);
             t->alpha2 = Arg_Alpha(argc, args, 2);
             t->alpha3 = Arg_Alpha(argc, args, 3);
         }
     }},
    {"part_type_alpha",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->alpha1 = Arg_Alpha(argc, args, 1);
             t->alpha2 = Arg_Alpha(argc, args, 2);
             t->alpha3 = Arg_Alpha(argc, args, 3);
         }
     }},
    {"part_type_blend",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) t->additive = B(argc, args, 1);
     }},

    // --- systems
    {"part_system_create", [] PART_ARGS { result.SetReal(ParticleSystem_Create()); }},
    {"part_system_destroy", [] PART_ARGS { ParticleSystem_Destroy(I(argc, args, 0)); }},
    {"part_system_exists", [] PART_ARGS { result.SetReal(ParticleSystem_Exists(I(argc, args, 0)) ? 1 : 0); }},
    {"part_system_clear", [] PART_ARGS { ParticleSystem_Clear(I(argc, args, 0)); }},
    {"part_system_draw_order",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->oldToNew = B(argc, args, 1);
     }},
    {"part_system_depth",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->depth = R(argc, args, 1);
     }},
    {"part_system_position",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) {
             s->x = R(argc, args, 1);
             s->y = R(argc, args, 2);
         }
     }},
    {"part_system_automatic_update",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->autoUpdate = B(argc, args, 1);
     }},
    {"part_system_automatic_draw",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->autoDraw = B(argc, args, 1);
     }},
    {"part_system_update", [] PART_ARGS { ParticleSystem_Update(I(argc, args, 0)); }},
    {"part_system_drawit", [] PART_ARGS { ParticleSystem_Draw(I(argc, args, 0)); }},

    // --- particles
    {"part_particles_create",
     [] PART_ARGS {
         Particles_Create(I(argc, args, 0), R(argc, args, 1), R(argc, args, 2), I(argc, args, 3), I(argc, args, 4));
     }},
    {"part_particles_create_color",
     [] PART_ARGS {
         Particles_CreateColour(I(argc, args, 0), R(argc, args, 1), R(argc, args, 2), I(argc, args, 3),
                                Arg_Colour(argc, args, 4), I(argc, args, 5));
     }},
    {"part_particles_clear", [] PART_ARGS { Particles_Clear(I(argc, args, 0)); }},
    {"part_particles_count", [] PART_ARGS { result.SetReal(Particles_Count(I(argc, args, 0))); }},

    // --- effectors
    EFFECTOR_FUNCTIONS("part_emitter", CParticleEmitter, emitters),
    {"part_emitter_region",
     [] PART_ARGS {
         if (CParticleEmitter* e = Effector(argc, args, &CParticleSystem::emitters)) {
             e->xmin = R(argc, args, 2);
             e->xmax = R(argc, args, 3);
             e->ymin = R(argc, args, 4);
             e->ymax = R(argc, args, 5);
             e->shape = I(argc, args, 6);
             e->distribution = I(argc, args, 7);
         }
     }},
    {"part_emitter_burst",
     [] PART_ARGS {
         if (Effector(argc, args, &CParticleSystem::emitters))
             ParticleEmitter_Burst(I(argc, args, 0), I(argc, args, 1), I(argc, args, 2), I(argc, args, 3));
     }},
    {"part_emitter_stream",
     [] PART_ARGS {
         if (CParticleEmitter* e = Effector(argc, args, &CParticleSystem::emitters)) {
             e->type = I(argc, args, 2);
             e->stream = I(argc, args, 3);
         }
     }},
    EFFECTOR_FUNCTIONS("part_attractor", CParticleAttractor, attractors),
    {"part_attractor_position",
     [] PART_ARGS {
         if (CParticleAttractor* a = Effector(argc, args, &CParticleSystem::attractors)) {
             a->x = R(argc, args, 2);
             a->y = R(argc, args, 3);
         }
     }},
    {"part_attractor_force",
     [] PART_ARGS {
         if (CParticleAttractor* a = Effector(argc, args, &CParticleSystem::attractors)) {
             a->force = R(argc, args, 2);
             a->distance = R(argc, args, 3);
             a->kind = I(argc, args, 4);
             a->additive = B(argc, args, 5);
         }
     }},
    EFFECTOR_FUNCTIONS("part_destroyer", CParticleDestroyer, destroyers),
    {"part_destroyer_region",
     [] PART_ARGS {
         if (CParticleDestroyer* d = Effector(argc, args, &CParticleSystem::destroyers)) {
             d->xmin = R(argc, args, 2);
             d->xmax = R(argc, args, 3);
             d->ymin = R(argc, args, 4);
             d->ymax = R(argc, args, 5);
             d->shape = I(argc, args, 6);
         }
     }},
    EFFECTOR_FUNCTIONS("part_deflector", CParticleDeflector, deflectors),
    {"part_deflector_region",
     [] PART_ARGS {
         if (CParticleDeflector* d = Effector(argc, args, &CParticleSystem::deflectors)) {
             d->xmin = R(argc, args, 2);
             d->xmax = R(argc, args, 3);
             d->ymin = R(argc, args, 4);
             d->ymax = R(argc, args, 5);
         }
     }},
    {"part_deflector_kind",
     [] PART_ARGS {
         if (CParticleDeflector* d = Effector(argc, args, &CParticleSystem::deflectors)) d->kind = I(argc, args, 2);
     }},
    {"part_deflector_friction",
     [] PART_ARGS {
         if (CParticleDeflector* d = Effector(argc, args, &CParticleSystem::deflectors)) d->friction = R(argc, args, 2);
     }},
    EFFECTOR_FUNCTIONS("part_changer", CParticleChanger, changers),
    {"part_changer_region",
     [] PART_ARGS {
         if (CParticleChanger* c = Effector(argc, args, &CParticleSystem::changers)) {
             c->xmin = R(argc, args, 2);
             c->xmax = R(argc, args, 3);
             c->ymin = R(argc, args, 4);
             c->ymax = R(argc, args, 5);
             c->shape = I(argc, args, 6);
         }
     }},
    {"part_changer_kind",
     [] PART_ARGS {
         if (CParticleChanger* c = Effector(argc, args, &CParticleSystem::changers)) c->kind = I(argc, args, 2);
     }},
    {"part_changer_types",
     [] PART_ARGS {
         if (CParticleChanger* c = Effector(argc, args, &CParticleSystem::changers)) {
             c->typeFrom = I(argc, args, 2);
             c->typeTo = I(argc, args, 3);
         }
     }},

    // --- effects
    {"effect_create_below", [] PART_ARGS { Effect(false, argc, args); }},
    {"effect_create_above", [] PART_ARGS { Effect(true, argc, args); }},
    {"effect_clear", [] PART_ARGS { Effect_Clear(); }},
};
extern const size_t kParticleFunctionCount = std::size(kParticleFunctions);
