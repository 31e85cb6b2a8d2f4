#include "object/motion.h"

#include <algorithm>
#include <cmath>

#include "data/game.h"
#include "data/game_resources.h"
#include "graphics/sprite.h"
#include "object/collision.h"
#include "object/event.h"
#include "object/path_follow.h"

namespace {

double Snap(double v) {
    const double n = std::nearbyint(v);
    return std::fabs(v - n) < kMotionSnap ? n : v;
}

}  // namespace

void Instance_MarkMoved(CInstance* i) {
    i->bboxDirty = true;
    Collision_Touch(i);
}

void Motion_SetPosition(CInstance& i, double x, double y) {
    const float fx = float(x), fy = float(y);
    if (fx == i.x && fy == i.y) return;
    i.x = fx;
    i.y = fy;
    Instance_MarkMoved(&i);
}

void Motion_DeriveDirectionSpeed(CInstance& i) {
    const double h = i.hspeed, v = i.vspeed;
    double dir;
    if (h == 0) {
        dir = v > 0 ? 270.0 : (v < 0 ? 90.0 : 0.0);
    } else {
        const double d = std::atan2(v, h) / kDegToRad;
        dir = d > 0 ? 360.0 - d : -d;
    }
    dir = std::fmod(Snap(dir), 360.0);
    i.direction = float(dir);
    i.speed = float(Snap(std::sqrt(h * h + v * v)));
    i.bboxDirty = true;
}

void Motion_DeriveComponents(CInstance& i) {
    const double a = double(i.direction) * kDegToRad, s = i.speed;
    i.hspeed = float(Snap(std::cos(a) * s));
    i.vspeed = float(Snap(-std::sin(a) * s));
}

void Motion_SetHspeed(CInstance& i, double v) {
    if (float(v) == i.hspeed) return;
    i.hspeed = float(v);
    Motion_DeriveDirectionSpeed(i);
}

void Motion_SetVspeed(CInstance& i, double v) {
    if (float(v) == i.vspeed) return;
    i.vspeed = float(v);
    Motion_DeriveDirectionSpeed(i);
}

void Motion_SetSpeed(CInstance& i, double v) {
    if (float(v) == i.speed) return;
    i.speed = float(v);
    Motion_DeriveComponents(i);
}

void Motion_SetDirection(CInstance& i, double d) {
    if (!std::isfinite(d)) {
        d = 0;
    } else if (std::fabs(d) > 1e6) {
        d = std::fmod(d, 360.0);  // the loops below would take that many turns
    }
    while (d < 0) d += 360.0;
    while (d > 360.0) d -= 360.0;
    i.direction = float(std::fmod(d, 360.0));
    Motion_DeriveComponents(i);
}

void Motion_Add(CInstance& i, double direction, double amount) {
    const double a = direction * kDegToRad;
    i.hspeed = float(double(i.hspeed) + std::cos(a) * amount);
    i.vspeed = float(double(i.vspeed) - std::sin(a) * amount);
    Motion_DeriveDirectionSpeed(i);
}

void Motion_ApplyFrictionAndGravity(CInstance& i) {
    if (i.friction != 0) {
        const double s = i.speed, f = i.friction;
        const double n = s > 0 ? s - f : s + f;
        if ((s > 0 && n < 0) || (s < 0 && n > 0)) {
            i.speed = 0;
        } else if (s != 0 && n != s) {
            i.speed = float(n);
        }
        Motion_DeriveComponents(i);
    }
    if (i.gravity != 0) Motion_Add(i, i.gravityDirection, i.gravity);
}

const CSprite* Motion_MaskSprite(const CInstance& i) {
    const CGameResources* res = &*Game().resources;
    if (!res) return nullptr;
    const int s = i.maskIndex >= 0 ? i.maskIndex : i.spriteIndex;
    return s >= 0 && size_t(s) < res->sprites.size() ? res->sprites[size_t(s)].get() : nullptr;
}

void Motion_ComputeBox(CInstance& i) {
    const CSprite* s = Motion_MaskSprite(i);
    i.bboxDirty = false;
    if (!s) {
        i.precise = false;
        i.bboxLeft = i.bboxTop = i.bboxRight = i.bboxBottom = kEmptyBox;
        return;
    }
    const double x = i.x, y = i.y, xs = i.imageXScale, ys = i.imageYScale;
    const double xo = s->xorigin, yo = s->yorigin;
    auto toInt = [](double v) { return Real_TruncToInt32(v); };
    if (i.imageAngle == 0) {
        int l = toInt(std::nearbyint((s->bboxLeft - xo) * xs + x));
        int r = toInt(std::nearbyint((s->bboxRight - xo + 1) * xs + x - 1));
        int t = toInt(std::nearbyint((s->bboxTop - yo) * ys + y));
        int b = toInt(std::nearbyint((s->bboxBottom - yo + 1) * ys + y - 1));
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        i.bboxLeft = l, i.bboxRight = r, i.bboxTop = t, i.bboxBottom = b;
    } else {
        const double x1 = (std::min(s->bboxLeft, s->bboxRight) - xo) * xs;
        const double x2 = (std::max(s->bboxLeft, s->bboxRight) - xo + 1) * xs - 1;
        const double y1 = (std::min(s->bboxTop, s->bboxBottom) - yo) * ys;
        const double y2 = (std::max(s->bboxTop, s->bboxBottom) - yo + 1) * ys - 1;
        const double a = double(i.imageAngle) * kDegToRad;
        const double c = std::cos(a), sn = std::sin(a);
        i.bboxLeft = toInt(std::trunc(x + std::min(c * x1, c * x2) + std::min(sn * y1, sn * y2)));
        i.bboxRight = toInt(std::trunc(x + std::max(c * x1, c * x2) + std::max(sn * y1, sn * y2)));
        i.bboxTop = toInt(std::trunc(y + std::min(c * y1, c * y2) - std::max(sn * x1, sn * x2)));
        i.bboxBottom = toInt(std::trunc(y + std::max(c * y1, c * y2) - std::min(sn * x1, sn * x2)));
    }
    i.precise = s->precise;
}

bool Motion_UpdateAll() {
    // No physics world exists in this engine yet: every room moves its own instances.
    const uint64_t before = Event_BeginPass();
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) {
        Motion_ApplyFrictionAndGravity(*i);
        if (i->pathIndex >= 0 && Path_StepInstance(*i) && i->creationStamp <= before)
            Event_Perform(i, i, kEventOther, kOtherEndOfPath);
        if (i->hspeed != 0 || i->vspeed != 0)
            Motion_SetPosition(*i, double(i->x) + i->hspeed, double(i->y) + i->vspeed);
    }
    return false;
}

void Motion_InstallHooks() {
    Event_SetBoxUpdate(Motion_ComputeBox);
    Event_SetPointTest([](CInstance& i, double x, double y) { return Collision_Point(i, x, y, true); });
}
