#include "object/planning.h"

#include <cmath>

#include "object/collision.h"
#include "object/motion.h"
#include "path/path.h"

CPotentialSettings& MP_Potential() {
    static CPotentialSettings settings;
    return settings;
}

double MP_PointDirection(double x1, double y1, double x2, double y2) {
    const float dx = float(x2 - x1), dy = float(y2 - y1);
    if (dx == 0) return dy > 0 ? 270.0 : (dy < 0 ? 90.0 : 0.0);
    const float d = std::atan2(dy, dx) * 180.0f / 3.14159265f;
    return d <= 0 ? -d : 360.0f - d;
}

namespace {

bool Allowed(CInstance& i, double x, double y, const CPlaceRule& rule) {
    if (rule.useObject) return Collision_InstancePlace(i, x, y, rule.obj) == nullptr;
    return rule.checkAll ? Collision_PlaceEmpty(i, x, y) : Collision_PlaceFree(i, x, y);
}

bool AtGoal(const CInstance& i, double xg, double yg) { return double(i.x) == xg && double(i.y) == yg; }

// Moves to (x, y) turned towards it.
void StepTo(CInstance& i, double x, double y) {
    Motion_SetDirection(i, MP_PointDirection(i.x, i.y, x, y));
    Motion_SetPosition(i, x, y);
}

double Fold(double a) {
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}

bool TryDirection(CInstance& i, double a, double stepSize, const CPlaceRule& rule) {
    const CPotentialSettings& s = MP_Potential();
    double turn = std::fabs(Fold(a) - Fold(i.direction));
    if (turn > 180.0) turn = 360.0 - turn;
    if (turn > s.maxRot) return false;
    const double r = a * kDegToRad, c = std::cos(r), sn = std::sin(r);
    const double x = i.x, y = i.y;
    if (!Allowed(i, x + c * stepSize * s.ahead, y - sn * stepSize * s.ahead, rule)) return false;
    if (!Allowed(i, x + c * stepSize, y - sn * stepSize, rule)) return false;
    Motion_SetDirection(i, a);
    Motion_SetPosition(i, x + c * stepSize, y - sn * stepSize);
    return true;
}

// What the path simulations change and put back.
struct CSavedMotion {
    explicit CSavedMotion(CInstance& i)
        : inst(i), x(i.x), y(i.y), direction(i.direction), speed(i.speed), hspeed(i.hspeed), vspeed(i.vspeed) {}
    ~CSavedMotion() {
        Motion_SetPosition(inst, x, y);
        inst.direction = direction;
        inst.speed = speed;
        inst.hspeed = hspeed;
        inst.vspeed = vspeed;
    }
    CSavedMotion(const CSavedMotion&) = delete;
    CSavedMotion& operator=(const CSavedMotion&) = delete;
    CInstance& inst;
    float x, y, direction, speed, hspeed, vspeed;
};

void StartRoute(CPath& path, const CInstance& i) {
    path.points.clear();
    path.kind = 0;
    path.closed = false;
    path.points.push_back({i.x, i.y, 100});
}

}  // namespace

bool MP_LinearStep(CInstance& i, double xg, double yg, double stepSize, const CPlaceRule& rule) {
    if (AtGoal(i, xg, yg)) return true;
    const double dx = xg - i.x, dy = yg - i.y, d = std::sqrt(dx * dx + dy * dy);
    double x = xg, y = yg;
    if (stepSize < d) {
        x = i.x + dx * stepSize / d;
        y = i.y + dy * stepSize / d;
    }
    if (Allowed(i, x, y, rule)) StepTo(i, x, y);
    return stepSize >= d;
}

bool MP_PotentialStep(CInstance& i, double xg, double yg, double stepSize, const CPlaceRule& rule) {
    if (AtGoal(i, xg, yg)) return true;
    const double dx = xg - i.x, dy = yg - i.y, d = std::sqrt(dx * dx + dy * dy);
    if (d <= stepSize) {
        if (Allowed(i, xg, yg, rule)) StepTo(i, xg, yg);
        return true;
    }
    const CPotentialSettings& s = MP_Potential();
    const double g = MP_PointDirection(i.x, i.y, xg, yg);
    if (TryDirection(i, g, stepSize, rule) || TryDirection(i, g, stepSize, rule)) return false;
    for (double k = s.rotStep; k < 180.0; k += s.rotStep)
        if (TryDirection(i, g - k, stepSize, rule) || TryDirection(i, g + k, stepSize, rule)) return false;
    if (s.onSpot) Motion_SetDirection(i, double(i.direction) + s.maxRot);
    return false;
}

bool MP_LinearPath(CInstance& i, CPath& path, double xg, double yg, double stepSize, const CPlaceRule& rule) {
    if (!(stepSize > 0)) return false;
    CSavedMotion saved(i);
    StartRoute(path, i);
    bool reached = false;
    for (;;) {
        const float x = i.x, y = i.y;
        if (MP_LinearStep(i, xg, yg, stepSize, rule)) {
            reached = true;
            break;
        }
        if (i.x == x && i.y == y) break;
        path.points.push_back({i.x, i.y, 100});
    }
    if (reached) path.points.push_back({float(xg), float(yg), 100});
    path.Changed();
    return reached;
}

bool MP_PotentialPath(CInstance& i, CPath& path, double xg, double yg, double stepSize, double factor,
                      const CPlaceRule& rule) {
    if (factor < 1 || !(stepSize > 0)) return false;
    CSavedMotion saved(i);
    StartRoute(path, i);
    const double limit = factor * std::hypot(xg - i.x, yg - i.y);
    // Turning on the spot (or standing still) adds no length; a place it cannot leave
    // in a full turn has no way out.
    const int maxStill = 360 + int(360.0 / MP_Potential().maxRot);
    double length = 0;
    int still = 0;
    bool reached = false;
    for (;;) {
        const float x = i.x, y = i.y;
        reached = MP_PotentialStep(i, xg, yg, stepSize, rule);
        path.points.push_back({i.x, i.y, 100});
        if (reached) break;
        const double moved = std::hypot(double(i.x) - x, double(i.y) - y);
        length += moved;
        still = moved == 0 ? still + 1 : 0;
        if (length > limit || still > maxStill) break;
    }
    if (reached) path.points.push_back({float(xg), float(yg), 100});
    path.Changed();
    return reached;
}
