#include "object/path_follow.h"

#include <cmath>

#include "data/game.h"
#include "data/game_resources.h"
#include "object/motion.h"
#include "path/path.h"

CPath* Path_Find(int index) {
    const CGameResources& res = *Game().resources;
    if (index < 0 || size_t(index) >= res.paths.size()) return nullptr;
    return res.paths[size_t(index)].get();
}

void Path_StartInstance(CInstance& i, int path, double speed, double scale, double orientation, bool relative,
                        int endAction) {
    i.pathIndex = path;
    const CPath* p = path >= 0 ? Path_Find(path) : nullptr;
    if (p && p->Length() > 0) {
        i.pathSpeed = float(speed);
        i.pathPosition = speed >= 0 ? 0.0f : 1.0f;
        i.pathPositionPrevious = i.pathPosition;
        i.pathScale = float(scale);
        if (scale >= 0) {
            i.pathOrientation = float(orientation);
            i.pathEndAction = endAction;
            if (!relative) {
                const CPathSample at = Path_Point(*p, speed >= 0 ? 0.0 : 1.0);
                Motion_SetPosition(i, at.x, at.y);
            }
            i.pathXStart = i.x;
            i.pathYStart = i.y;
            return;
        }
    }
    i.pathIndex = -1;
}

namespace {

// A path vector turned by the instance's orientation and scaled, as it is placed.
void Place(const CInstance& i, double px, double py, double& X, double& Y) {
    const double a = double(i.pathOrientation) * kDegToRad, c = std::cos(a), s = std::sin(a);
    X = (c * px + s * py) * i.pathScale;
    Y = (c * py - s * px) * i.pathScale;
}

}  // namespace

bool Path_StepInstance(CInstance& i) {
    if (i.pathIndex < 0) return false;
    const CPath* p = Path_Find(i.pathIndex);
    if (!p) return false;
    const double length = p->Length();
    if (!(length > 0)) return false;

    const double factor = Path_Point(*p, i.pathPosition).speed;
    double pos = double(i.pathPosition) + double(i.pathSpeed) * factor / (double(i.pathScale) * 100.0) / length;
    bool ended = false;
    if (pos >= 1 || pos <= 0) {
        ended = true;
        const bool atEnd = pos >= 1;
        switch (i.pathEndAction) {
        case 1: pos += atEnd ? -1.0 : 1.0; break;
        case 2: {
            const CPathSample a = Path_Point(*p, 0), b = Path_Point(*p, 1);
            double dx, dy;
            Place(i, b.x - a.x, b.y - a.y, dx, dy);
            const double sign = atEnd ? 1.0 : -1.0;
            i.pathXStart = float(i.pathXStart + sign * dx);
            i.pathYStart = float(i.pathYStart + sign * dy);
            pos += atEnd ? -1.0 : 1.0;
            break;
        }
        case 3:
            if (atEnd) {
                pos = 2.0 - pos;
                i.pathSpeed = -std::fabs(i.pathSpeed);
            } else {
                pos = -pos;
                i.pathSpeed = std::fabs(i.pathSpeed);
            }
            break;
        default:
            i.pathIndex = -1;
            pos = 1;
            break;
        }
    }
    i.pathPosition = float(pos);

    const CPathSample at = Path_Point(*p, i.pathPosition), origin = Path_Point(*p, 0);
    double ox, oy;
    Place(i, at.x - origin.x, at.y - origin.y, ox, oy);
    const double X = i.pathXStart + ox, Y = i.pathYStart + oy;
    Motion_SetHspeed(i, X - i.x);
    Motion_SetVspeed(i, Y - i.y);
    if (i.speed != 0) {
        i.speed = 0;
        Motion_DeriveComponents(i);
    }
    Motion_SetPosition(i, X, Y);
    return ended;
}
