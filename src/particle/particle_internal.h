#pragma once
// What the particle files share beyond the public interface.
#include <vector>

#include "particle/particle.h"

// The n-th system of the current draw order, or null.
CParticleSystem* Particle_DrawnSystem(int n);
// The type table a system's particles name.
const std::vector<CParticleType>& Particle_TypesOf(const CParticleSystem& s);
// The effects' system below (above = false) or above the instances, made on first use.
CParticleSystem& Particle_EffectSystem(bool above);
std::vector<CParticleType>& Particle_EffectTypes();
void Particle_AppendTo(CParticleSystem& s, double x, double y, int type, int number);
// Draws one system's particles at the current depth.
void Particle_DrawSystem(CParticleSystem& s);
