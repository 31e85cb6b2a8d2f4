#pragma once
// Instances following paths: starting a path with its speed, scale, orientation, end
// action and placement, and the per-step advance (the motion step and the collision
// phase call it).
#include "object/instance.h"

class CPath;

// The path of the running game at `index`, or null.
CPath* Path_Find(int index);

// Sets path_index; the rest only when the path exists, has a length and scale >= 0,
// otherwise path_index ends as -1. With `relative` false the instance is first put on
// the path's start (speed >= 0) or end.
void Path_StartInstance(CInstance& i, int path, double speed, double scale, double orientation, bool relative,
                        int endAction);
// One step along the instance's path; true when it reached an end (the end action has
// then been applied).
bool Path_StepInstance(CInstance& i);
