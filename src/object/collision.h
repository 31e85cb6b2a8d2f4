#pragma once
// Whether instances meet each other, points, rectangles, ellipses and lines (by box,
// then by the mask sprite's pixels where it asks for that), the searches built on those
// tests, moving to and out of contact, bouncing, and the frame's collision events.
//
// A broad phase files every instance of the running room by its box in a grid of
// cells, so a search looks only at the instances near what it tests; it gives the same
// answers in the same order as walking the lists, which it does when switched off.
#include <cstdint>

#include "object/instance.h"

// Tests of one instance; all false for a marked instance.
bool Collision_Point(CInstance& i, double x, double y, bool precise);
bool Collision_Rectangle(CInstance& i, double x1, double y1, double x2, double y2, bool precise);
bool Collision_Ellipse(CInstance& i, double x1, double y1, double x2, double y2, bool precise);
bool Collision_Line(CInstance& i, double x1, double y1, double x2, double y2, bool precise);
bool Collision_Instances(CInstance& a, CInstance& b, bool precise);

// With self at (x, y) for the test (and back after it): whether no solid instance / no
// instance at all meets it; the first instance of `obj` (-3 all, an object with its
// descendants, or an id) that meets it, or null.
bool Collision_PlaceFree(CInstance& self, double x, double y);
bool Collision_PlaceEmpty(CInstance& self, double x, double y);
CInstance* Collision_InstancePlace(CInstance& self, double x, double y, int obj);

// The searches: the first instance of `obj` in its order (-3: the active list; an
// object: its instances with its descendants'; an id: that instance) passing the test.
// With `notme` self is skipped.
enum class EShape { kPoint, kRectangle, kEllipse, kLine };
CInstance* Collision_Find(EShape shape, double x1, double y1, double x2, double y2, int obj, bool precise, bool notme,
                          const CInstance* self);

// Moving one pixel at a time along `direction` until just before the first place that
// is not free (contact) or until the first free place (outside); maxdist <= 0 is 1000.
// `all` tests against every instance instead of the solid ones.
void Collision_MoveContact(CInstance& self, double direction, double maxdist, bool all);
void Collision_MoveOutside(CInstance& self, double direction, double maxdist, bool all);
void Collision_Bounce(CInstance& self, bool advanced, bool all);

// The frame's collision event phase.
void Collision_RunEvents();

// The broad phase's bookkeeping: an instance whose box or list membership may have
// changed is filed again before the next search; a freed one is forgotten.
void Collision_Touch(CInstance* i);
void Collision_Forget(CInstance* i);
// On by default; off, every search walks the lists (for comparing the two).
void Collision_SetBroadPhase(bool on);
bool Collision_BroadPhase();
