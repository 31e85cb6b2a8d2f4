#pragma once
// Motion of instances: the coupling of hspeed/vspeed with direction/speed, friction and
// gravity, the bounding box taken from the mask sprite, and the per-step movement.
// Every value is stored as a 32-bit float; the arithmetic is done in double precision.
#include "object/instance.h"

class CSprite;

// Within this of an integer, a derived speed, direction or component becomes that
// integer (the float 0.0001, compared as a double).
constexpr double kMotionSnap = double(0.0001f);
// The box of an instance without a mask sprite.
constexpr int kEmptyBox = -100000;
constexpr double kDegToRad = 3.1415927410125732 / 180.0;

// Stores x and y (and marks the box stale) only when either differs.
void Motion_SetPosition(CInstance& i, double x, double y);
// Each stores the value when it differs from the current one and derives the other pair.
void Motion_SetHspeed(CInstance& i, double v);
void Motion_SetVspeed(CInstance& i, double v);
void Motion_SetSpeed(CInstance& i, double v);
// Always: the direction is brought into 0 <= d < 360, then the components follow.
void Motion_SetDirection(CInstance& i, double d);
// Adds a vector (degrees, amount) to hspeed and vspeed.
void Motion_Add(CInstance& i, double direction, double amount);
void Motion_DeriveDirectionSpeed(CInstance& i);
void Motion_DeriveComponents(CInstance& i);
void Motion_ApplyFrictionAndGravity(CInstance& i);

// The sprite whose box and masks stand for the instance (mask_index, else
// sprite_index), or null.
const CSprite* Motion_MaskSprite(const CInstance& i);
// Recomputes the box from the mask sprite, origin, scale and angle.
void Motion_ComputeBox(CInstance& i);
inline void Motion_UpdateBox(CInstance& i) {
    if (i.bboxDirty) Motion_ComputeBox(i);
}
// Marks the box stale after a change of position, scale, angle, sprite or mask, and
// tells the broad phase the instance must be filed again.
void Instance_MarkMoved(CInstance* i);

// The frame's motion step: friction, gravity and movement for every instance of the
// running room. True when a physics world moved the instances instead.
bool Motion_UpdateAll();

// Gives the event phases their point test and box update (the frame's motion and
// collision phases are installed by the runner).
void Motion_InstallHooks();
