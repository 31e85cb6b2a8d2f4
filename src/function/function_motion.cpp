#include "function/function_motion.h"

#include <cmath>
#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "object/collision.h"
#include "object/instance.h"
#include "object/motion.h"
#include "room/room.h"
#include "value/args.h"
#include "value/random.h"

namespace {

// The truth values of this family count 0.5 as true.

void SetBool(CValue& result, bool b) { result.SetReal(b ? 1.0 : 0.0); }
void SetId(CValue& result, const CInstance* i) { result.SetReal(i ? i->id : kNoone); }

// -1 and -2 name self and other by id.
int Named(int obj, const CInstance* self, const CInstance* other) {
    if (obj == -1) return self ? self->id : kNoone;
    if (obj == -2) return other ? other->id : kNoone;
    return obj;
}

double RoomWidth() { return Room_Running() ? Room_Running()->width : 0; }
double RoomHeight() { return Room_Running() ? Room_Running()->height : 0; }

// --- motion -----------------------------------------------------------------------------

void F_MotionSet(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return;
    Motion_SetDirection(*self, Arg_Real(argc, args, 0));
    Motion_SetSpeed(*self, Arg_Real(argc, args, 1));
}

void F_MotionAdd(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (self) Motion_Add(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1));
}

void F_MoveTowardsPoint(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return;
    Motion_SetHspeed(*self, Arg_Real(argc, args, 0) - self->x);
    Motion_SetVspeed(*self, Arg_Real(argc, args, 1) - self->y);
    Motion_SetSpeed(*self, Arg_Real(argc, args, 2));
}

void F_MoveSnap(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return;
    const double hs = Arg_Real(argc, args, 0), vs = Arg_Real(argc, args, 1);
    double x = self->x, y = self->y;
    if (hs > 0) x = std::nearbyint(x / hs) * hs;
    if (vs > 0) y = std::nearbyint(y / vs) * vs;
    Motion_SetPosition(*self, x, y);
}

void F_PlaceSnapped(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return SetBool(result, false);
    const double hs = Arg_Real(argc, args, 0), vs = Arg_Real(argc, args, 1);
    bool snapped = true;
    if (hs > 0) snapped = snapped && std::fabs(self->x - std::nearbyint(self->x / hs) * hs) < 0.001;
    if (vs > 0) snapped = snapped && std::fabs(self->y - std::nearbyint(self->y / vs) * vs) < 0.001;
    SetBool(result, snapped);
}

void F_MoveRandom(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return;
    const double hs = Arg_Real(argc, args, 0), vs = Arg_Real(argc, args, 1);
    double xmin = 0, xmax = RoomWidth(), ymin = 0, ymax = RoomHeight();
    if (Motion_MaskSprite(*self)) {
        Motion_UpdateBox(*self);
        xmin = std::nearbyint(self->x - self->bboxLeft);
        xmax = std::nearbyint(RoomWidth() + self->x - self->bboxRight);
        ymin = std::nearbyint(self->y - self->bboxTop);
        ymax = std::nearbyint(RoomHeight() + self->y - self->bboxBottom);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        double x = xmin + Random_Int(Real_TruncToInt32(xmax - xmin));
        if (hs > 0) x = std::floor(x / hs) * hs;
        double y = ymin + Random_Int(Real_TruncToInt32(ymax - ymin));
        if (vs > 0) y = std::floor(y / vs) * vs;
        if (Collision_PlaceFree(*self, x, y)) {
            Motion_SetPosition(*self, x, y);
            return;
        }
    }
}

void F_MoveWrap(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return;
    const double m = Arg_Real(argc, args, 2), w = RoomWidth(), h = RoomHeight();
    double x = self->x, y = self->y;
    if (Arg_Flag(argc, args, 0)) {
        if (x < -m) x += w + 2 * m;
        if (x > w + m) x -= w + 2 * m;
    }
    if (Arg_Flag(argc, args, 1)) {
        if (y < -m) y += h + 2 * m;
        if (y > h + m) y -= h + 2 * m;
    }
    Motion_SetPosition(*self, x, y);
}

// --- moving against others ------------------------------------------------------------------

template <bool All>
void F_MoveContactOf(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (self) Collision_MoveContact(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), All);
}

void F_MoveContact(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return;
    const double dir = Arg_Real(argc, args, 0);
    if (Collision_PlaceFree(*self, self->x, self->y)) Collision_MoveContact(*self, dir, -1, false);
    else Collision_MoveOutside(*self, dir, -1, false);
}

template <bool All>
void F_MoveOutsideOf(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (self) Collision_MoveOutside(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), All);
}

template <bool All>
void F_MoveBounceOf(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (self) Collision_Bounce(*self, Arg_Flag(argc, args, 0), All);
}

// --- places and positions ---------------------------------------------------------------------

void F_PlaceFree(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    SetBool(result, self && Collision_PlaceFree(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1)));
}

void F_PlaceEmpty(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    SetBool(result, self && Collision_PlaceEmpty(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1)));
}

void F_PlaceMeeting(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    const int obj = Named(Arg_Id(argc, args, 2), self, other);
    SetBool(result,
            self && Collision_InstancePlace(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), obj) != nullptr);
}

void F_InstancePlace(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    SetId(result,
          self ? Collision_InstancePlace(*self, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Id(argc, args, 2))
               : nullptr);
}

CInstance* AtPoint(double x, double y, int obj) {
    return Collision_Find(EShape::kPoint, x, y, x, y, obj, true, false, nullptr);
}

void F_PositionEmpty(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    SetBool(result, AtPoint(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), -3) == nullptr);
}

void F_PositionMeeting(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    const int obj = Named(Arg_Id(argc, args, 2), self, other);
    SetBool(result, AtPoint(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), obj) != nullptr);
}

void F_InstancePosition(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    SetId(result, AtPoint(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Id(argc, args, 2)));
}

void F_PositionDestroy(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1);
    // Instances stay in the list until the frame removes them, so the walk holds.
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next)
        if (!i->marked && Collision_Point(*i, x, y, true)) Instance_Destroy(i);
}

void F_PositionChange(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1);
    const int obj = Arg_Index(argc, args, 2);
    if (!Object_Exists(obj)) {
        Code_ShowError("Asking to change into non-existing object: " + std::to_string(obj), false);
        return;
    }
    const bool perform = Arg_Flag(argc, args, 3);
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next)
        if (!i->marked && Collision_Point(*i, x, y, true)) Instance_Change(i, obj, perform);
}

// --- collision searches ----------------------------------------------------------------------

template <EShape Shape>
void F_CollisionArea(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    SetId(result, Collision_Find(Shape, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                                 Arg_Real(argc, args, 3), Arg_Id(argc, args, 4), Arg_Flag(argc, args, 5),
                                 Arg_Flag(argc, args, 6), self));
}

void F_CollisionPoint(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1);
    SetId(result, Collision_Find(EShape::kPoint, x, y, x, y, Arg_Id(argc, args, 2), Arg_Flag(argc, args, 3),
                                 Arg_Flag(argc, args, 4), self));
}

void F_CollisionCircle(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1), r = Arg_Real(argc, args, 2);
    SetId(result, Collision_Find(EShape::kEllipse, x - r, y - r, x + r, y + r, Arg_Id(argc, args, 3),
                                 Arg_Flag(argc, args, 4), Arg_Flag(argc, args, 5), self));
}

// Nearest (strictly closer replaces, from 10000 pixels) or furthest (strictly further
// replaces, from -1) instance of -3 or an object, by its position.
template <bool Nearest>
void F_InstanceBy(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1);
    const int obj = Arg_Id(argc, args, 2);
    result.SetReal(kNoone);
    if (obj >= kFirstInstanceId) return;
    double best = Nearest ? 100000000.0 : -1.0;
    auto consider = [&](const CInstance* i) {
        if (i->marked) return;
        const double dx = i->x - x, dy = i->y - y, d = dx * dx + dy * dy;
        if (Nearest ? d < best : d > best) best = d, result.SetReal(i->id);
    };
    if (obj == -3) {
        for (const CInstance* i = Game().world->ActiveHead(); i; i = i->next) consider(i);
    } else if (const CObject* o = Object_Find(obj)) {
        for (const CInstanceLink* k = o->instancesAll.head; k; k = k->next) consider(k->instance);
    }
}

// --- distances ----------------------------------------------------------------------------

double Gap(double lo, double hi, double otherLo, double otherHi) {
    if (otherLo > hi) return otherLo - hi;
    if (otherHi < lo) return lo - otherHi;
    return 0;
}

void F_DistanceToPoint(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!self) return result.SetReal(0);
    Motion_UpdateBox(*self);
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1);
    const double dx = Gap(self->bboxLeft, self->bboxRight, x, x), dy = Gap(self->bboxTop, self->bboxBottom, y, y);
    result.SetReal(std::sqrt(dx * dx + dy * dy));
}

void F_DistanceToObject(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    double best = 1000000.0;
    const int obj = Arg_Id(argc, args, 0);
    auto consider = [&](CInstance* i) {
        if (!self || !i || i->marked || i == self) return;
        Motion_UpdateBox(*self);
        Motion_UpdateBox(*i);
        const double dx = Gap(self->bboxLeft, self->bboxRight, i->bboxLeft, i->bboxRight);
        const double dy = Gap(self->bboxTop, self->bboxBottom, i->bboxTop, i->bboxBottom);
        best = std::min(best, std::sqrt(dx * dx + dy * dy));
    };
    if (obj == -1) consider(self);
    else if (obj == -2) consider(other);
    else if (obj >= kFirstInstanceId) consider(Game().world->Find(obj));
    else if (obj == -3) {
        for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) consider(i);
    } else if (const CObject* o = Object_Find(obj)) {
        for (const CInstanceLink* k = o->instancesAll.head; k; k = k->next) consider(k->instance);
    }
    result.SetReal(best);
}

}  // namespace

extern const FunctionImpl kMotionFunctions[] = {
    {"motion_set", F_MotionSet},
    {"motion_add", F_MotionAdd},
    {"move_towards_point", F_MoveTowardsPoint},
    {"move_snap", F_MoveSnap},
    {"place_snapped", F_PlaceSnapped},
    {"move_random", F_MoveRandom},
    {"move_wrap", F_MoveWrap},
    {"move_contact_solid", F_MoveContactOf<false>},
    {"move_contact_all", F_MoveContactOf<true>},
    {"move_contact", F_MoveContact},
    {"move_outside_solid", F_MoveOutsideOf<false>},
    {"move_outside_all", F_MoveOutsideOf<true>},
    {"move_bounce", F_MoveBounceOf<false>},
    {"move_bounce_solid", F_MoveBounceOf<false>},
    {"move_bounce_all", F_MoveBounceOf<true>},
    {"place_free", F_PlaceFree},
    {"place_empty", F_PlaceEmpty},
    {"place_meeting", F_PlaceMeeting},
    {"instance_place", F_InstancePlace},
    {"position_empty", F_PositionEmpty},
    {"position_meeting", F_PositionMeeting},
    {"instance_position", F_InstancePosition},
    {"position_destroy", F_PositionDestroy},
    {"position_change", F_PositionChange},
    {"collision_point", F_CollisionPoint},
    {"collision_rectangle", F_CollisionArea<EShape::kRectangle>},
    {"collision_ellipse", F_CollisionArea<EShape::kEllipse>},
    {"collision_circle", F_CollisionCircle},
    {"collision_line", F_CollisionArea<EShape::kLine>},
    {"instance_nearest", F_InstanceBy<true>},
    {"instance_furthest", F_InstanceBy<false>},
    {"distance_to_point", F_DistanceToPoint},
    {"distance_to_object", F_DistanceToObject},
};
extern const size_t kMotionFunctionCount = std::size(kMotionFunctions);
