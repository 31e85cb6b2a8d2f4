#pragma once
// Stepping an instance towards a goal around obstacles: straight-line steps and
// potential-field steps that try nearby directions when the straight way is blocked,
// and the same simulated to store the route in a path.
#include "object/instance.h"

class CPath;

// Which places count as free: away from the instances of `obj` (the _object forms,
// obj >= -3 or an id), else no instance at all (checkAll) or no solid one.
struct CPlaceRule {
    bool useObject = false;
    int obj = 0;
    bool checkAll = false;
};

struct CPotentialSettings {
    double maxRot = 30, rotStep = 10, ahead = 3;
    bool onSpot = true;
};
CPotentialSettings& MP_Potential();

// The direction in degrees from one point to another, worked in 32-bit floats.
double MP_PointDirection(double x1, double y1, double x2, double y2);

// Each returns whether the goal is reached (true once the goal lies within the step,
// even when that last step was blocked).
bool MP_LinearStep(CInstance& i, double xg, double yg, double stepSize, const CPlaceRule& rule);
bool MP_PotentialStep(CInstance& i, double xg, double yg, double stepSize, const CPlaceRule& rule);
// The steps simulated into `path` (straight, open); the instance is left as it was.
// False when no route was found that way.
bool MP_LinearPath(CInstance& i, CPath& path, double xg, double yg, double stepSize, const CPlaceRule& rule);
bool MP_PotentialPath(CInstance& i, CPath& path, double xg, double yg, double stepSize, double factor,
                      const CPlaceRule& rule);
