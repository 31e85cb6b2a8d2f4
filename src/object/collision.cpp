#include "object/collision.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/game.h"
#include "data/game_resources.h"
#include "graphics/sprite.h"
#include "object/event.h"
#include "object/motion.h"
#include "object/object.h"
#include "object/path_follow.h"

namespace {

double Nearest(double v) { return std::nearbyint(v); }
int NearestInt(double v) { return Real_TruncToInt32(std::nearbyint(v)); }

// --- masks ------------------------------------------------------------------------------

// The mask sprite when it exists and has frames.
const CSprite* Shape(const CInstance& i) {
    const CSprite* s = Motion_MaskSprite(i);
    return s && s->frameCount > 0 ? s : nullptr;
}

// Whether room pixel (px, py) falls on a solid pixel of the instance's current mask.
bool MaskSolid(const CInstance& i, const CSprite& s, double px, double py) {
    const double dx = px - Nearest(i.x), dy = py - Nearest(i.y);
    double mx, my;
    if (std::fabs(i.imageAngle) < kMotionSnap) {
        mx = std::floor(dx / i.imageXScale + s.xorigin);
        my = std::floor(dy / i.imageYScale + s.yorigin);
    } else {
        const double a = -double(i.imageAngle) * kDegToRad, c = std::cos(a), sn = std::sin(a);
        mx = std::floor((dy * sn + dx * c) / i.imageXScale + s.xorigin);
        my = std::floor((dy * c - dx * sn) / i.imageYScale + s.yorigin);
    }
    if (!(mx >= 0 && mx < s.width && my >= 0 && my < s.height)) return false;
    if (s.masks.empty()) return true;
    const double count = double(s.masks.size());
    double f = std::fmod(std::trunc(double(i.imageIndex)), count);
    if (f < 0) f += count;
    const std::vector<uint8_t>& mask = s.masks[size_t(f)];
    const size_t at = size_t(my) * size_t(s.width) + size_t(mx);
    return at < mask.size() && mask[at] != 0;
}

// The part of a pixel rectangle (inclusive) inside the instance's box.
struct TSpan {
    int l, t, r, b;
    bool Empty() const { return l > r || t > b; }
};

TSpan InBox(const CInstance& i, double l, double t, double r, double b) {
    auto clampInt = [](double v) { return Real_TruncToInt32(std::max(-2147483648.0, std::min(2147483647.0, v))); };
    return {std::max(i.bboxLeft, clampInt(l)), std::max(i.bboxTop, clampInt(t)), std::min(i.bboxRight, clampInt(r)),
            std::min(i.bboxBottom, clampInt(b))};
}

// The box rejection shared by the rectangle, ellipse and line tests (normalised input).
bool BoxRejects(const CInstance& i, double minX, double minY, double maxX, double maxY) {
    return minX >= i.bboxRight + 1.0 || maxX < i.bboxLeft || minY >= i.bboxBottom + 1.0 || maxY < i.bboxTop || i.marked;
}

bool InEllipse(double px, double py, double cx, double cy, double rx, double ry) {
    const double u = (px - cx) / rx, v = (py - cy) / ry;
    return u * u + v * v <= 1.0;
}

// --- the broad phase ------------------------------------------------------------------

constexpr int kCellShift = 6;  // 64-pixel cells
constexpr int kBucketCount = 4096;
// An instance spanning more cells than this goes to a list every search looks through.
constexpr int kMaxFiledCells = 16;
// A search covering more cells than this walks the lists instead.
constexpr int kMaxSearchCells = 1024;

bool g_broadPhase = true;
bool g_gridGone = false;  // after the grid's static destruction

int CellOf(int v) { return v >> kCellShift; }

size_t Bucket(int cx, int cy) {
    const uint32_t h = uint32_t(cx) * 0x9E3779B1u ^ uint32_t(cy) * 0x85EBCA77u;
    return (h ^ (h >> 15)) & (kBucketCount - 1);
}

class TGrid {
public:
    TGrid() = default;
    ~TGrid() { g_gridGone = true; }
    TGrid(const TGrid&) = delete;
    TGrid& operator=(const TGrid&) = delete;

    void Touch(CInstance* i) {
        if (i->gridPending >= 0) return;
        i->gridPending = int(pending_.size());
        pending_.push_back(i);
    }

    // A forgotten instance leaves the pending list (the last one takes its place), so
    // the list never holds more than the live instances: a game that makes and
    // destroys instances without ever searching would otherwise grow it for good.
    void Forget(CInstance* i) {
        if (i->gridPending >= 0) {
            const size_t at = size_t(i->gridPending);
            CInstance* last = pending_.back();
            pending_[at] = last;
            if (last) last->gridPending = int(at);
            pending_.pop_back();
        }
        i->gridPending = -1;
        Unfile(i);
    }

    // Files again every instance touched since the last search.
    void Flush() {
        for (size_t k = 0; k < pending_.size(); ++k) {
            CInstance* i = pending_[k];
            if (!i) continue;
            i->gridPending = -1;
            Unfile(i);
            if (i->ownLink.list != nullptr && Shape(*i)) File(i);
        }
        pending_.clear();
    }

    // Instances whose filed box meets the pixel range; false when the range is too
    // large to be worth it (the caller walks the lists).
    bool Gather(int l, int t, int r, int b, std::vector<CInstance*>& out) {
        out.clear();
        Flush();
        const int cx0 = CellOf(l), cx1 = CellOf(r), cy0 = CellOf(t), cy1 = CellOf(b);
        if (double(cx1 - cx0 + 1) * double(cy1 - cy0 + 1) > kMaxSearchCells) return false;
        const uint32_t stamp = ++stamp_;
        auto take = [&](CInstance* i) {
            if (i->gridStamp == stamp) return;
            i->gridStamp = stamp;
            if (i->bboxLeft <= r && i->bboxRight >= l && i->bboxTop <= b && i->bboxBottom >= t) out.push_back(i);
        };
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx)
                for (CInstance* i : buckets_[Bucket(cx, cy)]) take(i);
        for (CInstance* i : large_) take(i);
        return true;
    }

private:
    void File(CInstance* i) {
        Motion_UpdateBox(*i);
        i->gridX0 = CellOf(i->bboxLeft), i->gridX1 = CellOf(i->bboxRight);
        i->gridY0 = CellOf(i->bboxTop), i->gridY1 = CellOf(i->bboxBottom);
        if (double(i->gridX1 - i->gridX0 + 1) * double(i->gridY1 - i->gridY0 + 1) > kMaxFiledCells) {
            large_.push_back(i);
            i->gridFiled = 2;
            return;
        }
        for (int cy = i->gridY0; cy <= i->gridY1; ++cy)
            for (int cx = i->gridX0; cx <= i->gridX1; ++cx) buckets_[Bucket(cx, cy)].push_back(i);
        i->gridFiled = 1;
    }

    static void RemoveOne(std::vector<CInstance*>& v, CInstance* i) {
        const auto it = std::find(v.begin(), v.end(), i);
        if (it == v.end()) return;
        *it = v.back();
        v.pop_back();
    }

    void Unfile(CInstance* i) {
        if (i->gridFiled == 1) {
            for (int cy = i->gridY0; cy <= i->gridY1; ++cy)
                for (int cx = i->gridX0; cx <= i->gridX1; ++cx) RemoveOne(buckets_[Bucket(cx, cy)], i);
        } else if (i->gridFiled == 2) {
            RemoveOne(large_, i);
        }
        i->gridFiled = 0;
    }

    std::vector<CInstance*> buckets_[kBucketCount];
    std::vector<CInstance*> large_;
    std::vector<CInstance*> pending_;
    uint32_t stamp_ = 0;
};

TGrid& Grid() {
    static TGrid grid;
    return grid;
}

// Candidate lists for nested searches (an event run inside a search may search again),
// kept between searches so a search allocates nothing once warm.
class TScratch {
public:
    TScratch() : slot_(Depth()++) {
        if (Pool().size() <= slot_) Pool().resize(slot_ + 1);
    }
    ~TScratch() { --Depth(); }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    std::vector<CInstance*>& List() { return Pool()[slot_]; }

private:
    static std::vector<std::vector<CInstance*>>& Pool() {
        static std::vector<std::vector<CInstance*>> pool(4);
        return pool;
    }
    static size_t& Depth() {
        static size_t depth = 0;
        return depth;
    }
    // The pool may grow while this lives, so hold the index, not the element.
    size_t slot_;
};

// Numbers the running room's active list when it changed since the last numbering.
void NumberActiveList() {
    static uint64_t numbered = ~uint64_t(0);
    static const CRoomInstances* numberedRoom = nullptr;
    const uint64_t version = Instance_ChainVersion();
    CInstance* head = Game().world->ActiveHead();
    if (version == numbered && numberedRoom == Game().world->room) return;
    uint32_t n = 0;
    for (CInstance* i = head; i; i = i->next) i->activeOrder = ++n;
    numbered = version;
    numberedRoom = Game().world->room;
}

// Where an instance stands in the search order of `obj` (-3 or an object), 0 when it
// is not in that order at all. The active list must have been numbered.
uint64_t OrderIn(const CInstance& i, int obj, const CObject* o) {
    if (i.ownLink.list == nullptr) return 0;
    if (obj == -3) return i.activeOrder + 1;
    for (int k = 0; k < i.allLinkCount; ++k)
        if (i.allLinks[size_t(k)].list == &o->instancesAll) return i.allLinks[size_t(k)].seq;
    return 0;
}

// The pixel range a search region covers; false when it cannot be put in integers.
bool RangeOf(double x1, double y1, double x2, double y2, int& l, int& t, int& r, int& b) {
    const double lo = -1073741824.0, hi = 1073741823.0;
    const double fl = std::floor(std::min(x1, x2)), fr = std::floor(std::max(x1, x2));
    const double ft = std::floor(std::min(y1, y2)), fb = std::floor(std::max(y1, y2));
    if (!(fl >= lo && fr <= hi && ft >= lo && fb <= hi)) return false;
    l = int(fl), r = int(fr), t = int(ft), b = int(fb);
    return true;
}

// Walks the instances `obj` names in its order, nearest-first candidates from the grid
// when it can; `visit` returns true to stop. Gives the instance it stopped at.
template <class Visit>
CInstance* Walk(int obj, bool useRange, int l, int t, int r, int b, Visit visit) {
    CInstanceWorld& world = *Game().world;
    if (obj >= kFirstInstanceId) {
        CInstance* i = world.Find(obj);
        return i && !i->marked && !i->deactivated && visit(i) ? i : nullptr;
    }
    const CObject* o = obj == -3 ? nullptr : Object_Find(obj);
    if (obj != -3 && !o) return nullptr;
    if (g_broadPhase && useRange) {
        TScratch scratch;
        if (Grid().Gather(l, t, r, b, scratch.List())) {
            std::vector<CInstance*>& list = scratch.List();
            if (obj == -3) NumberActiveList();
            size_t kept = 0;
            for (CInstance* i : list)
                if (!i->marked && OrderIn(*i, obj, o) != 0) list[kept++] = i;
            list.resize(kept);
            if (kept > 1)
                std::sort(list.begin(), list.end(), [obj, o](const CInstance* a, const CInstance* c) {
                    return OrderIn(*a, obj, o) < OrderIn(*c, obj, o);
                });
            // A visit may search again and grow the pool: index, never hold the list.
            for (size_t k = 0; k < kept; ++k) {
                CInstance* i = scratch.List()[k];
                if (visit(i)) return i;
            }
            return nullptr;
        }
    }
    if (obj == -3) {
        for (CInstance* i = world.ActiveHead(); i; i = i->next)
            if (!i->marked && visit(i)) return i;
        return nullptr;
    }
    for (const CInstanceLink* k = o->instancesAll.head; k; k = k->next)
        if (!k->instance->marked && visit(k->instance)) return k->instance;
    return nullptr;
}

// Walks every instance of the active list that may meet self's box.
template <class Visit>
CInstance* WalkNear(CInstance& self, int obj, Visit visit) {
    Motion_UpdateBox(self);
    if (!Shape(self)) return nullptr;  // meets nothing
    return Walk(obj, true, self.bboxLeft, self.bboxTop, self.bboxRight, self.bboxBottom, visit);
}

// Self moved to (x, y) for a test and back after it.
class TMovedFor {
public:
    TMovedFor(CInstance& self, double x, double y) : self_(self), x_(self.x), y_(self.y) {
        Motion_SetPosition(self, x, y);
    }
    ~TMovedFor() { Motion_SetPosition(self_, x_, y_); }
    TMovedFor(const TMovedFor&) = delete;
    TMovedFor& operator=(const TMovedFor&) = delete;

private:
    CInstance& self_;
    float x_, y_;
};

}  // namespace

// --- single tests -----------------------------------------------------------------------

bool Collision_Point(CInstance& i, double px, double py, bool precise) {
    Motion_UpdateBox(i);
    if (px >= i.bboxRight + 1.0 || px < i.bboxLeft || py >= i.bboxBottom + 1.0 || py < i.bboxTop || i.marked)
        return false;
    const CSprite* s = Shape(i);
    if (!s) return false;
    if (!precise || !s->precise) return true;
    if (s->masks.empty()) return true;
    return MaskSolid(i, *s, Nearest(px), Nearest(py));
}

bool Collision_Rectangle(CInstance& i, double x1, double y1, double x2, double y2, bool precise) {
    Motion_UpdateBox(i);
    const double minX = std::min(x1, x2), maxX = std::max(x1, x2);
    const double minY = std::min(y1, y2), maxY = std::max(y1, y2);
    if (BoxRejects(i, minX, minY, maxX, maxY)) return false;
    if (!precise || !i.precise) return true;
    const CSprite* s = Shape(i);
    if (!s) return false;
    const TSpan span = InBox(i, Nearest(minX), Nearest(minY), Nearest(maxX), Nearest(maxY));
    for (int px = span.l; px <= span.r; ++px)
        for (int py = span.t; py <= span.b; ++py)
            if (MaskSolid(i, *s, px, py)) return true;
    return false;
}

bool Collision_Ellipse(CInstance& i, double x1, double y1, double x2, double y2, bool precise) {
    Motion_UpdateBox(i);
    const double minX = std::min(x1, x2), maxX = std::max(x1, x2);
    const double minY = std::min(y1, y2), maxY = std::max(y1, y2);
    if (BoxRejects(i, minX, minY, maxX, maxY)) return false;
    const int l = NearestInt(minX), r = NearestInt(maxX), t = NearestInt(minY), b = NearestInt(maxY);
    if (l == r || t == b) return Collision_Rectangle(i, x1, y1, x2, y2, precise);
    const int cx = int((int64_t(l) + r) / 2), rx = int((int64_t(r) - l) / 2);
    const int cy = int((int64_t(t) + b) / 2), ry = int((int64_t(b) - t) / 2);
    const bool meets =
        (cx >= i.bboxLeft && cx <= i.bboxRight) || (cy >= i.bboxTop && cy <= i.bboxBottom) ||
        InEllipse(i.bboxLeft, i.bboxTop, cx, cy, rx, ry) || InEllipse(i.bboxRight, i.bboxTop, cx, cy, rx, ry) ||
        InEllipse(i.bboxLeft, i.bboxBottom, cx, cy, rx, ry) || InEllipse(i.bboxRight, i.bboxBottom, cx, cy, rx, ry);
    if (!meets) return false;
    if (!precise || !i.precise) return true;
    const CSprite* s = Shape(i);
    if (!s) return false;
    const TSpan span = InBox(i, l, t, r, b);
    for (int px = span.l; px <= span.r; ++px)
        for (int py = span.t; py <= span.b; ++py)
            if (InEllipse(px, py, cx, cy, rx, ry) && MaskSolid(i, *s, px, py)) return true;
    return false;
}

bool Collision_Line(CInstance& i, double x1, double y1, double x2, double y2, bool precise) {
    Motion_UpdateBox(i);
    if (BoxRejects(i, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) return false;
    if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
    const double left = i.bboxLeft, right = i.bboxRight + 1.0;
    if (x2 != x1) {
        const double slope = (y2 - y1) / (x2 - x1);
        if (x1 < left) y1 += (left - x1) * slope, x1 = left;
        if (x2 > right) y2 -= (x2 - right) * slope, x2 = right;
    }
    const double top = i.bboxTop, bottomEdge = i.bboxBottom + 1.0;
    if ((y1 < top && y2 < top) || (y1 >= bottomEdge && y2 >= bottomEdge)) return false;
    if (!precise || !i.precise) return true;
    const CSprite* s = Shape(i);
    if (!s) return false;
    const double dx = x2 - x1, dy = y2 - y1;
    if (std::fabs(dx) >= std::fabs(dy)) {
        const int from = std::max(i.bboxLeft, NearestInt(x1)), to = std::min(i.bboxRight, NearestInt(x2));
        for (int px = from; px <= to; ++px) {
            const double py = dx != 0 ? Nearest(y1 + (px - x1) * dy / dx) : Nearest(y1);
            if (py >= i.bboxTop && py <= i.bboxBottom && MaskSolid(i, *s, px, py)) return true;
        }
    } else {
        const double ya = std::min(y1, y2), yb = std::max(y1, y2);
        const int from = std::max(i.bboxTop, NearestInt(ya)), to = std::min(i.bboxBottom, NearestInt(yb));
        for (int py = from; py <= to; ++py) {
            const double px = Nearest(x1 + (py - y1) * dx / dy);
            if (px >= i.bboxLeft && px <= i.bboxRight && MaskSolid(i, *s, px, py)) return true;
        }
    }
    return false;
}

bool Collision_Instances(CInstance& a, CInstance& b, bool precise) {
    if (&a == &b || a.marked || b.marked) return false;
    Motion_UpdateBox(a);
    Motion_UpdateBox(b);
    if (!(b.bboxLeft < a.bboxRight + 1 && b.bboxRight + 1 > a.bboxLeft && b.bboxTop < a.bboxBottom + 1 &&
          b.bboxBottom + 1 > a.bboxTop))
        return false;
    const CSprite* sa = Shape(a);
    const CSprite* sb = Shape(b);
    if (!sa || !sb) return false;
    if (!precise || (!a.precise && !b.precise)) return true;
    const int l = std::max(a.bboxLeft, b.bboxLeft), r = std::min(a.bboxRight, b.bboxRight);
    const int t = std::max(a.bboxTop, b.bboxTop), bt = std::min(a.bboxBottom, b.bboxBottom);
    for (int px = l; px <= r; ++px)
        for (int py = t; py <= bt; ++py)
            if (MaskSolid(a, *sa, px, py) && MaskSolid(b, *sb, px, py)) return true;
    return false;
}

// --- places -----------------------------------------------------------------------------

bool Collision_PlaceFree(CInstance& self, double x, double y) {
    TMovedFor moved(self, x, y);
    return !WalkNear(self, -3, [&self](CInstance* o) { return o->solid && Collision_Instances(*o, self, true); });
}

bool Collision_PlaceEmpty(CInstance& self, double x, double y) {
    TMovedFor moved(self, x, y);
    return !WalkNear(self, -3, [&self](CInstance* o) { return Collision_Instances(*o, self, true); });
}

CInstance* Collision_InstancePlace(CInstance& self, double x, double y, int obj) {
    TMovedFor moved(self, x, y);
    return WalkNear(self, obj, [&self](CInstance* o) { return Collision_Instances(*o, self, true); });
}

CInstance* Collision_Find(EShape shape, double x1, double y1, double x2, double y2, int obj, bool precise, bool notme,
                          const CInstance* self) {
    if (notme && self && obj == self->id) return nullptr;
    int l = 0, t = 0, r = 0, b = 0;
    const bool ranged =
        shape == EShape::kPoint ? RangeOf(x1, y1, x1, y1, l, t, r, b) : RangeOf(x1, y1, x2, y2, l, t, r, b);
    return Walk(obj, ranged, l, t, r, b, [&](CInstance* i) {
        if (notme && i == self) return false;
        switch (shape) {
        case EShape::kPoint: return Collision_Point(*i, x1, y1, precise);
        case EShape::kRectangle: return Collision_Rectangle(*i, x1, y1, x2, y2, precise);
        case EShape::kEllipse: return Collision_Ellipse(*i, x1, y1, x2, y2, precise);
        case EShape::kLine: return Collision_Line(*i, x1, y1, x2, y2, precise);
        }
        return false;
    });
}

// --- moves ------------------------------------------------------------------------------

namespace {

bool FreeAt(CInstance& self, double x, double y, bool all) {
    return all ? Collision_PlaceEmpty(self, x, y) : Collision_PlaceFree(self, x, y);
}

int Steps(double maxdist) { return maxdist <= 0 ? 1000 : NearestInt(maxdist); }

}  // namespace

void Collision_MoveContact(CInstance& self, double direction, double maxdist, bool all) {
    const int steps = Steps(maxdist);
    if (!FreeAt(self, self.x, self.y, all)) return;
    const double a = direction * kDegToRad, dx = std::cos(a), dy = -std::sin(a);
    for (int k = 0; k < steps; ++k) {
        const double nx = double(self.x) + dx, ny = double(self.y) + dy;
        if (!FreeAt(self, nx, ny, all)) break;
        Motion_SetPosition(self, nx, ny);
    }
}

void Collision_MoveOutside(CInstance& self, double direction, double maxdist, bool all) {
    const int steps = Steps(maxdist);
    if (FreeAt(self, self.x, self.y, all)) return;
    const double a = direction * kDegToRad, dx = std::cos(a), dy = -std::sin(a);
    for (int k = 0; k < steps; ++k) {
        Motion_SetPosition(self, double(self.x) + dx, double(self.y) + dy);
        if (FreeAt(self, self.x, self.y, all)) break;
    }
}

void Collision_Bounce(CInstance& self, bool advanced, bool all) {
    bool changed = false;
    if (!FreeAt(self, self.x, self.y, all)) {
        Motion_SetPosition(self, self.xprevious, self.yprevious);
        changed = true;
    }
    const double x = self.x, y = self.y;
    if (!advanced) {
        const double h = self.hspeed, v = self.vspeed;
        const bool a = FreeAt(self, x + h, y, all);
        const bool b = FreeAt(self, x, y + v, all);
        const bool c = FreeAt(self, x + h, y + v, all);
        if (!a) {
            Motion_SetHspeed(self, -double(self.hspeed));
            if (!b) Motion_SetVspeed(self, -double(self.vspeed));
        } else if (b) {
            if (!c) {
                Motion_SetHspeed(self, -double(self.hspeed));
                Motion_SetVspeed(self, -double(self.vspeed));
            }
        } else {
            Motion_SetVspeed(self, -double(self.vspeed));
        }
        return;
    }
    const double d0 = Nearest(double(self.direction) / 10.0) * 10.0, sp = self.speed;
    auto freeToward = [&](double d) {
        const double r = d * kDegToRad;
        return FreeAt(self, x + std::cos(r) * sp, y - std::sin(r) * sp, all);
    };
    bool failed = false;
    double a1 = d0, a2 = d0;
    int k = 0;
    for (k = 1; k <= 35; ++k) {
        a1 = d0 - 10.0 * k;
        if (freeToward(a1)) break;
        failed = true;
    }
    if (k > 35) {
        // Nothing free on that side: the other side keeps its starting value.
        Motion_SetDirection(self, a2 + a1 + 180.0 - d0);
        return;
    }
    for (k = 1; k <= 35; ++k) {
        a2 = d0 + 10.0 * k;
        if (freeToward(a2)) break;
        failed = true;
    }
    if (failed || changed) Motion_SetDirection(self, a2 + a1 + 180.0 - d0);
}

// --- the collision event phase ------------------------------------------------------------

namespace {

void GoBack(CInstance& i) {
    Motion_SetPosition(i, i.xprevious, i.yprevious);
    i.pathPosition = i.pathPositionPrevious;
}

// One meeting of i and j: solid instances put back, then both events. True when events
// ran (and so anything may have changed).
bool Meet(CInstance* i, CInstance* j) {
    if (!Collision_Instances(*i, *j, true)) return false;
    if (i->solid || j->solid) {
        GoBack(*i);
        GoBack(*j);
    }
    Event_Perform(i, j, kEventCollision, j->objectIndex);
    Event_Perform(j, i, kEventCollision, i->objectIndex);
    if (i->solid || j->solid) {
        Path_StepInstance(*i);
        Path_StepInstance(*j);
        Motion_SetPosition(*i, double(i->x) + i->hspeed, double(i->y) + i->vspeed);
        Motion_SetPosition(*j, double(j->x) + j->hspeed, double(j->y) + j->vspeed);
        if (Collision_Instances(*i, *j, true)) {
            GoBack(*i);
            GoBack(*j);
        }
    }
    return true;
}

bool TakesPart(const CInstance* i, uint64_t before) { return !i->marked && i->creationStamp <= before; }

// i against every instance of B's own list, in that order.
void MeetAll(CInstance* i, const CObject* B, uint64_t before) {
    if (!g_broadPhase) {
        for (const CInstanceLink* k = B->instances.head; k && !i->marked; k = k->next)
            if (TakesPart(k->instance, before)) Meet(i, k->instance);
        return;
    }
    // The instances near i, in B's order; after events (which may move, make or destroy
    // anything) the rest is gathered again from where the walk stood.
    uint64_t from = 0;
    TScratch scratch;
    for (;;) {
        if (i->marked || !Shape(*i)) return;
        Motion_UpdateBox(*i);
        if (!Grid().Gather(i->bboxLeft, i->bboxTop, i->bboxRight, i->bboxBottom, scratch.List())) {
            for (const CInstanceLink* k = B->instances.head; k && !i->marked; k = k->next)
                if (k->seq > from && TakesPart(k->instance, before)) Meet(i, k->instance);
            return;
        }
        std::vector<CInstance*>& list = scratch.List();
        size_t kept = 0;
        for (CInstance* j : list)
            if (j->ownLink.list == &B->instances && j->ownLink.seq > from) list[kept++] = j;
        list.resize(kept);
        std::sort(list.begin(), list.end(),
                  [](const CInstance* a, const CInstance* b) { return a->ownLink.seq < b->ownLink.seq; });
        bool again = false;
        for (size_t n = 0; n < kept; ++n) {
            CInstance* j = scratch.List()[n];
            from = j->ownLink.seq;
            if (TakesPart(j, before) && Meet(i, j)) {
                again = true;
                break;
            }
        }
        if (!again) return;
    }
}

}  // namespace

void Collision_RunEvents() {
    if (!Game().world->room) return;
    // The pairs are copied: an event may rebuild the lists they come from.
    static std::vector<std::pair<int, int>> pairs;
    pairs = Event_CollisionPairs();
    for (const auto& [a, b] : pairs) {
        const uint64_t before = Event_BeginPass();
        const CObject* A = Object_Find(a);
        const CObject* B = Object_Find(b);
        if (!A || !B) continue;
        for (const CInstanceLink* k = A->instances.head; k; k = k->next)
            if (TakesPart(k->instance, before)) MeetAll(k->instance, B, before);
    }
}

// --- bookkeeping --------------------------------------------------------------------------

void Collision_Touch(CInstance* i) {
    if (i && !g_gridGone) Grid().Touch(i);
}

void Collision_Forget(CInstance* i) {
    if (!g_gridGone) Grid().Forget(i);
}

void Collision_SetBroadPhase(bool on) { g_broadPhase = on; }
bool Collision_BroadPhase() { return g_broadPhase; }
