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

CParticleType* Type(int argc, const CValue* args) { return ParticleType_Get(Arg_Int(argc, args, 0)); }
CParticleSystem* System(int argc, const CValue* args) { return ParticleSystem_Get(Arg_Int(argc, args, 0)); }

// The effector lists of a system, each handled alike.
template <typename T>
using TEffectors = std::vector<T> CParticleSystem::*;

template <typename T>
T* Effector(int argc, const CValue* args, TEffectors<T> list) {
    CParticleSystem* s = System(argc, args);
    const int id = Arg_Int(argc, args, 1);
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
        t.colour[i] = mode >= 3 ? uint32_t(Arg_Int(argc, args, i + 1)) : Arg_Colour(argc, args, i + 1);
}

void Effect(bool above, int argc, const CValue* args) {
    const CRoom* room = Room_Running();
    Effect_Create(above, Arg_Int(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                  Arg_Int(argc, args, 3), Arg_Colour(argc, args, 4), room ? room->width : 0, room ? room->height : 0);
}

}  // namespace

extern const FunctionImpl kParticleFunctions[] = {
    // --- types
    {"part_type_create", [] PART_ARGS { result.SetReal(ParticleType_Create()); }},
    {"part_type_destroy", [] PART_ARGS { ParticleType_Destroy(Arg_Int(argc, args, 0)); }},
    {"part_type_exists", [] PART_ARGS { result.SetReal(ParticleType_Exists(Arg_Int(argc, args, 0)) ? 1 : 0); }},
    {"part_type_clear", [] PART_ARGS { ParticleType_Clear(Arg_Int(argc, args, 0)); }},
    {"part_type_shape",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) t->shape = Arg_Int(argc, args, 1);
     }},
    {"part_type_sprite",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->sprite = Arg_Int(argc, args, 1);
             t->animate = Arg_Bool(argc, args, 2);
             t->stretch = Arg_Bool(argc, args, 3);
             t->randomImage = Arg_Bool(argc, args, 4);
         }
     }},
    {"part_type_size",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->sizeMin = Arg_Real(argc, args, 1);
             t->sizeMax = Arg_Real(argc, args, 2);
             t->sizeIncrease = Arg_Real(argc, args, 3);
             t->sizeWiggle = Arg_Real(argc, args, 4);
         }
     }},
    {"part_type_scale",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->xscale = Arg_Real(argc, args, 1);
             t->yscale = Arg_Real(argc, args, 2);
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
             t->stepNumber = Arg_Int(argc, args, 1);
             t->stepType = Arg_Int(argc, args, 2);
         }
     }},
    {"part_type_death",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->deathNumber = Arg_Int(argc, args, 1);
             t->deathType = Arg_Int(argc, args, 2);
         }
     }},
    {"part_type_speed",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->speedMin = Arg_Real(argc, args, 1);
             t->speedMax = Arg_Real(argc, args, 2);
             t->speedIncrease = Arg_Real(argc, args, 3);
             t->speedWiggle = Arg_Real(argc, args, 4);
         }
     }},
    {"part_type_direction",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->directionMin = Arg_Real(argc, args, 1);
             t->directionMax = Arg_Real(argc, args, 2);
             t->directionIncrease = Arg_Real(argc, args, 3);
             t->directionWiggle = Arg_Real(argc, args, 4);
         }
     }},
    {"part_type_orientation",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->orientationMin = Arg_Real(argc, args, 1);
             t->orientationMax = Arg_Real(argc, args, 2);
             t->orientationIncrease = Arg_Real(argc, args, 3);
             t->orientationWiggle = Arg_Real(argc, args, 4);
             t->orientationRelative = Arg_Bool(argc, args, 5);
         }
     }},
    {"part_type_gravity",
     [] PART_ARGS {
         if (CParticleType* t = Type(argc, args)) {
             t->gravity = Arg_Real(argc, args, 1);
             t->gravityDirection = Arg_Real(argc, args, 2);
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
         if (CParticleType* t = Type(argc, args)) t->additive = Arg_Bool(argc, args, 1);
     }},

    // --- systems
    {"part_system_create", [] PART_ARGS { result.SetReal(ParticleSystem_Create()); }},
    {"part_system_destroy", [] PART_ARGS { ParticleSystem_Destroy(Arg_Int(argc, args, 0)); }},
    {"part_system_exists", [] PART_ARGS { result.SetReal(ParticleSystem_Exists(Arg_Int(argc, args, 0)) ? 1 : 0); }},
    {"part_system_clear", [] PART_ARGS { ParticleSystem_Clear(Arg_Int(argc, args, 0)); }},
    {"part_system_draw_order",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->oldToNew = Arg_Bool(argc, args, 1);
     }},
    {"part_system_depth",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->depth = Arg_Real(argc, args, 1);
     }},
    {"part_system_position",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) {
             s->x = Arg_Real(argc, args, 1);
             s->y = Arg_Real(argc, args, 2);
         }
     }},
    {"part_system_automatic_update",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->autoUpdate = Arg_Bool(argc, args, 1);
     }},
    {"part_system_automatic_draw",
     [] PART_ARGS {
         if (CParticleSystem* s = System(argc, args)) s->autoDraw = Arg_Bool(argc, args, 1);
     }},
    {"part_system_update", [] PART_ARGS { ParticleSystem_Update(Arg_Int(argc, args, 0)); }},
    {"part_system_drawit", [] PART_ARGS { ParticleSystem_Draw(Arg_Int(argc, args, 0)); }},

    // --- particles
    {"part_particles_create",
     [] PART_ARGS {
         Particles_Create(Arg_Int(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                          Arg_Int(argc, args, 3), Arg_Int(argc, args, 4));
     }},
    {"part_particles_create_color",
     [] PART_ARGS {
         Particles_CreateColour(Arg_Int(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                                Arg_Int(argc, args, 3), Arg_Colour(argc, args, 4), Arg_Int(argc, args, 5));
     }},
    {"part_particles_clear", [] PART_ARGS { Particles_Clear(Arg_Int(argc, args, 0)); }},
    {"part_particles_count", [] PART_ARGS { result.SetReal(Particles_Count(Arg_Int(argc, args, 0))); }},

    // --- effectors
    EFFECTOR_FUNCTIONS("part_emitter", CParticleEmitter, emitters),
    {"part_emitter_region",
     [] PART_ARGS {
         if (CParticleEmitter* e = Effector(argc, args, &CParticleSystem::emitters)) {
             e->xmin = Arg_Real(argc, args, 2);
             e->xmax = Arg_Real(argc, args, 3);
             e->ymin = Arg_Real(argc, args, 4);
             e->ymax = Arg_Real(argc, args, 5);
             e->shape = Arg_Int(argc, args, 6);
             e->distribution = Arg_Int(argc, args, 7);
         }
     }},
    {"part_emitter_burst",
     [] PART_ARGS {
         if (Effector(argc, args, &CParticleSystem::emitters))
             ParticleEmitter_Burst(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2),
                                   Arg_Int(argc, args, 3));
     }},
    {"part_emitter_stream",
     [] PART_ARGS {
         if (CParticleEmitter* e = Effector(argc, args, &CParticleSystem::emitters)) {
             e->type = Arg_Int(argc, args, 2);
             e->stream = Arg_Int(argc, args, 3);
         }
     }},
    EFFECTOR_FUNCTIONS("part_attractor", CParticleAttractor, attractors),
    {"part_attractor_position",
     [] PART_ARGS {
         if (CParticleAttractor* a = Effector(argc, args, &CParticleSystem::attractors)) {
             a->x = Arg_Real(argc, args, 2);
             a->y = Arg_Real(argc, args, 3);
         }
     }},
    {"part_attractor_force",
     [] PART_ARGS {
         if (CParticleAttractor* a = Effector(argc, args, &CParticleSystem::attractors)) {
             a->force = Arg_Real(argc, args, 2);
             a->distance = Arg_Real(argc, args, 3);
             a->kind = Arg_Int(argc, args, 4);
             a->additive = Arg_Bool(argc, args, 5);
         }
     }},
    EFFECTOR_FUNCTIONS("part_destroyer", CParticleDestroyer, destroyers),
    {"part_destroyer_region",
     [] PART_ARGS {
         if (CParticleDestroyer* d = Effector(argc, args, &CParticleSystem::destroyers)) {
             d->xmin = Arg_Real(argc, args, 2);
             d->xmax = Arg_Real(argc, args, 3);
             d->ymin = Arg_Real(argc, args, 4);
             d->ymax = Arg_Real(argc, args, 5);
             d->shape = Arg_Int(argc, args, 6);
         }
     }},
    EFFECTOR_FUNCTIONS("part_deflector", CParticleDeflector, deflectors),
    {"part_deflector_region",
     [] PART_ARGS {
         if (CParticleDeflector* d = Effector(argc, args, &CParticleSystem::deflectors)) {
             d->xmin = Arg_Real(argc, args, 2);
             d->xmax = Arg_Real(argc, args, 3);
             d->ymin = Arg_Real(argc, args, 4);
             d->ymax = Arg_Real(argc, args, 5);
         }
     }},
    {"part_deflector_kind",
     [] PART_ARGS {
         if (CParticleDeflector* d = Effector(argc, args, &CParticleSystem::deflectors))
             d->kind = Arg_Int(argc, args, 2);
     }},
    {"part_deflector_friction",
     [] PART_ARGS {
         if (CParticleDeflector* d = Effector(argc, args, &CParticleSystem::deflectors))
             d->friction = Arg_Real(argc, args, 2);
     }},
    EFFECTOR_FUNCTIONS("part_changer", CParticleChanger, changers),
    {"part_changer_region",
     [] PART_ARGS {
         if (CParticleChanger* c = Effector(argc, args, &CParticleSystem::changers)) {
             c->xmin = Arg_Real(argc, args, 2);
             c->xmax = Arg_Real(argc, args, 3);
             c->ymin = Arg_Real(argc, args, 4);
             c->ymax = Arg_Real(argc, args, 5);
             c->shape = Arg_Int(argc, args, 6);
         }
     }},
    {"part_changer_kind",
     [] PART_ARGS {
         if (CParticleChanger* c = Effector(argc, args, &CParticleSystem::changers)) c->kind = Arg_Int(argc, args, 2);
     }},
    {"part_changer_types",
     [] PART_ARGS {
         if (CParticleChanger* c = Effector(argc, args, &CParticleSystem::changers)) {
             c->typeFrom = Arg_Int(argc, args, 2);
             c->typeTo = Arg_Int(argc, args, 3);
         }
     }},

    // --- effects
    {"effect_create_below", [] PART_ARGS { Effect(false, argc, args); }},
    {"effect_create_above", [] PART_ARGS { Effect(true, argc, args); }},
    {"effect_clear", [] PART_ARGS { Effect_Clear(); }},
};
extern const size_t kParticleFunctionCount = std::size(kParticleFunctions);
