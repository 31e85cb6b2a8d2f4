#include "physics/physics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "graphics/graphics.h"
#include "graphics/shapes.h"
#include "graphics/sprite.h"
#include "graphics/sprite_draw.h"
#include "graphics/vertex.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/motion.h"
#include "object/object.h"
#include "object/path_follow.h"
#include "physics/physics_world.h"
#include "platform/console.h"
#include "room/room.h"
#include "variable/variables.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadToDeg = 180.0 / kPi;
constexpr double kDegToRadian = kPi / 180.0;
constexpr int kMaxPolygonPoints = 8;

const char* const kNoWorld = "The current room does not have a physics world representation";
const char* const kNoFixture = "The physics fixture does not exist";
const char* const kNoBody = "The instance does not have an associated physics representation";
const char* const kNoJoint = "A joint does not exist";

void Report(const std::string& message) { Code_ShowError(message, false); }

// --- fixture definitions -----------------------------------------------------------------------

enum class EShapeKind { kNone, kCircle, kBox, kPolygon };

// Sizes and points stay in pixels until a binding puts them into a world.
struct TFixtureDef {
    EShapeKind shape = EShapeKind::kNone;
    double radius = 0;
    double halfWidth = 0, halfHeight = 0;
    b2Vec2 centre{0, 0};  // of a circle or box, from the body's origin
    std::vector<b2Vec2> points;
    double density = 0.5;
    double restitution = 0.1;
    double friction = 0.2;
    int group = 0;
    bool sensor = false;
    double linearDamping = 0.1;
    double angularDamping = 0.1;
    bool kinematic = false;
    bool awake = true;
};

struct TPhysicsState {
    std::map<int, TFixtureDef> fixtures;
    int nextFixture = 0;
    int lastJoint = 0;
};

TPhysicsState& State() {
    static TPhysicsState state;
    return state;
}

TFixtureDef* FindFixture(int id) {
    auto it = State().fixtures.find(id);
    return it == State().fixtures.end() ? nullptr : &it->second;
}

CRoom* RunningRoom() { return static_cast<CRoom*>(Game().world->room); }

CPhysicsWorld* RunningWorld() {
    CRoom* room = RunningRoom();
    return room ? room->physics.get() : nullptr;
}

// The running room's world, or the message and null.
CPhysicsWorld* NeedWorld() {
    CPhysicsWorld* w = RunningWorld();
    if (!w) Report(kNoWorld);
    return w;
}

b2Body* BodyOf(const CInstance* instance) {
    return instance && instance->physicsBody ? instance->physicsBody->body : nullptr;
}

// World and self's body, in that order of checks.
b2Body* NeedBody(CInstance* self, CPhysicsWorld** world = nullptr) {
    CPhysicsWorld* w = NeedWorld();
    if (!w) return nullptr;
    b2Body* body = BodyOf(self);
    if (!body) Report(kNoBody);
    if (world) *world = w;
    return body;
}

// Screen-clockwise with y down is a positive area: what the solver needs.
bool ConvexClockwise(const std::vector<b2Vec2>& p) {
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        const b2Vec2 e1 = p[(i + 1) % n] - p[i];
        const b2Vec2 e2 = p[(i + 2) % n] - p[(i + 1) % n];
        if (b2Cross(e1, e2) <= 0.0f) return false;
    }
    return true;
}

// --- collision categories ----------------------------------------------------------------------

void Partners(int object, std::vector<int>& out) {
    out.clear();
    for (const auto& [a, b] : Event_CollisionPairs()) {
        if (a == object) out.push_back(b);
        else if (b == object) out.push_back(a);
    }
}

int CategorySlot(CPhysicsWorld& w, const CObject* object) {
    std::vector<int> partners;
    Partners(object->index, partners);
    if (partners.empty()) return -1;
    // Children with the same number of partners as their parent share its slot.
    const CObject* key = object;
    std::vector<int> parentPartners;
    while (key->parent) {
        Partners(key->parent->index, parentPartners);
        if (parentPartners.size() != partners.size()) break;
        key = key->parent;
    }
    int slot = -1;
    for (size_t s = 0; s < w.slots.size() && slot < 0; ++s)
        if (w.slots[s].object == key->index) slot = int(s);
    for (size_t s = 0; s < w.slots.size() && slot < 0; ++s)
        if (w.slots[s].object < 0) {
            slot = int(s);
            w.slots[s] = {key->index, uint16_t(1u << s), 0};
        }
    if (slot < 0) {
        Report("Unable to assign a collision category for object " + object->name +
               ".\nConsider using parenting to reduce collision overheads where possible.");
        return -1;
    }
    for (int p : partners)
        for (TCategorySlot& other : w.slots)
            if (other.object == p) {
                w.slots[size_t(slot)].mask |= other.bits;
                other.mask |= w.slots[size_t(slot)].bits;
            }
    return slot;
}

void RefreshFilters(CPhysicsWorld& w) {
    for (const auto& record : w.bodies) {
        if (record->slot < 0) continue;
        const TCategorySlot& slot = w.slots[size_t(record->slot)];
        for (b2Fixture* f = record->body->GetFixtureList(); f; f = f->GetNext()) {
            b2Filter filter = f->GetFilterData();
            filter.categoryBits = slot.bits;
            filter.maskBits = slot.mask;
            f->SetFilterData(filter);
        }
    }
}

// --- binding -----------------------------------------------------------------------------------

const char* ObjectName(const CInstance* instance) {
    return instance->object ? instance->object->name.c_str() : "<undefined>";
}

void Bind(CPhysicsWorld& w, const TFixtureDef& def, int id, CInstance* instance) {
    const float s = float(w.scale);
    b2CircleShape circle;
    b2PolygonShape polygon;
    b2Shape* shape = nullptr;
    switch (def.shape) {
    case EShapeKind::kCircle:
        circle.m_radius = float(def.radius) * s;
        circle.m_p = s * def.centre;
        shape = &circle;
        break;
    case EShapeKind::kBox:
        polygon.SetAsBox(float(def.halfWidth) * s, float(def.halfHeight) * s, s * def.centre, 0.0f);
        shape = &polygon;
        break;
    case EShapeKind::kPolygon: {
        if (def.points.size() < 3) {
            Report(std::string("Too few vertices in polygon shape fixture for ") + ObjectName(instance));
            return;
        }
        if (!ConvexClockwise(def.points)) {
            Report("ERROR: The polygon shape for fixture " + std::to_string(id) +
                   " is concave or ordered anti-clockwise");
            return;
        }
        std::vector<b2Vec2> points;
        for (const b2Vec2& p : def.points) points.emplace_back(p.x * s, p.y * s);
        polygon.Set(points.data(), int32(points.size()));
        shape = &polygon;
        break;
    }
    case EShapeKind::kNone: return;
    }
    const int slot = instance->object ? CategorySlot(w, instance->object) : -1;
    b2FixtureDef fd;
    fd.shape = shape;
    fd.density = float(def.density);
    fd.restitution = float(def.restitution);
    fd.friction = float(def.friction);
    fd.isSensor = def.sensor;
    fd.filter.groupIndex = int16(def.group);
    fd.filter.categoryBits = slot >= 0 ? w.slots[size_t(slot)].bits : 0;
    fd.filter.maskBits = slot >= 0 ? w.slots[size_t(slot)].mask : 0;

    if (b2Body* body = BodyOf(instance)) {
        body->CreateFixture(&fd);
    } else {
        b2BodyDef bd;
        bd.type = def.density > 0 ? b2_dynamicBody : def.kinematic ? b2_kinematicBody : b2_staticBody;
        bd.position.Set(instance->x * s, instance->y * s);
        bd.angle = float(-double(instance->imageAngle) * kDegToRadian);
        bd.linearDamping = float(def.linearDamping);
        bd.angularDamping = float(def.angularDamping);
        bd.awake = def.awake;
        bd.allowSleep = true;
        body = w.world.CreateBody(&bd);
        body->CreateFixture(&fd);
        instance->physicsBody = w.AddBody(body, instance, slot);
    }
    RefreshFilters(w);
}

// --- the debug renderer ------------------------------------------------------------------------

// Draws in room pixels with the engine's primitives.
class CPhysicsDebugRender : public b2Draw {
public:
    explicit CPhysicsDebugRender(double scale) : k_(float(1.0 / scale)) {}

    void DrawPolygon(const b2Vec2* v, int32 n, const b2Color& c) override {
        for (int32 i = 0; i < n; ++i) Line(v[i], v[(i + 1) % n], c);
    }
    void DrawSolidPolygon(const b2Vec2* v, int32 n, const b2Color& c) override { DrawPolygon(v, n, c); }
    void DrawCircle(const b2Vec2& centre, float radius, const b2Color& c) override {
        constexpr int kSegments = 16;
        b2Vec2 prev = centre + b2Vec2(radius, 0);
        for (int i = 1; i <= kSegments; ++i) {
            const float a = float(2 * kPi * i / kSegments);
            const b2Vec2 next = centre + b2Vec2(radius * std::cos(a), radius * std::sin(a));
            Line(prev, next, c);
            prev = next;
        }
    }
    void DrawSolidCircle(const b2Vec2& centre, float radius, const b2Vec2& axis, const b2Color& c) override {
        DrawCircle(centre, radius, c);
        Line(centre, centre + radius * axis, c);
    }
    void DrawSegment(const b2Vec2& a, const b2Vec2& b, const b2Color& c) override { Line(a, b, c); }
    void DrawTransform(const b2Transform& xf) override {
        Line(xf.p, xf.p + 0.4f * xf.q.GetXAxis(), b2Color(1, 0, 0));
        Line(xf.p, xf.p + 0.4f * xf.q.GetYAxis(), b2Color(0, 1, 0));
    }
    void DrawPoint(const b2Vec2& p, float, const b2Color& c) override { Shapes_Point(p.x * k_, p.y * k_, Device(c)); }

private:
    static uint32_t Device(const b2Color& c) {
        const auto byte = [](float v) { return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
        return Colour_ToDevice(byte(c.r) | byte(c.g) << 8 | byte(c.b) << 16, Graphics_AlphaByte());
    }
    void Line(const b2Vec2& a, const b2Vec2& b, const b2Color& c) {
        const uint32_t d = Device(c);
        Shapes_Line(a.x * k_, a.y * k_, b.x * k_, b.y * k_, d, d);
    }
    float k_;
};

void DrawFixture(CPhysicsDebugRender& render, const b2Fixture* f, const b2Transform& xf) {
    const b2Color colour(0.9f, 0.7f, 0.7f);
    switch (f->GetType()) {
    case b2Shape::e_circle: {
        const auto* c = static_cast<const b2CircleShape*>(f->GetShape());
        render.DrawSolidCircle(b2Mul(xf, c->m_p), c->m_radius, xf.q.GetXAxis(), colour);
        break;
    }
    case b2Shape::e_polygon: {
        const auto* p = static_cast<const b2PolygonShape*>(f->GetShape());
        b2Vec2 v[b2_maxPolygonVertices];
        for (int32 i = 0; i < p->m_count; ++i) v[i] = b2Mul(xf, p->m_vertices[i]);
        render.DrawSolidPolygon(v, p->m_count, colour);
        break;
    }
    default: break;
    }
}

// --- joints ------------------------------------------------------------------------------------

// An instance named by -1 self, -2 other, an object (its first instance) or an id.
bool JointInstance(const CJointBodies& b, int which, CInstance*& out) {
    const int v = which == 0 ? b.inst1 : b.inst2;
    if (v == -1) out = b.self;
    else if (v == -2) out = b.other;
    else if (v >= 0 && v < kFirstInstanceId) {
        out = nullptr;
        if (const CObject* o = Object_Find(v))
            for (const CInstanceLink* l = o->instancesAll.head; l && !out; l = l->next)
                if (!l->instance->marked) out = l->instance;
    } else {
        out = Game().world->Find(v);
    }
    if (!out) {
        Report("Unable to find instance: " + std::to_string(v));
        return false;
    }
    return true;
}

// Both bodies of a joint, woken; null and the function's message when either lacks one.
bool JointBodies(const CJointBodies& b, const char* function, CPhysicsWorld*& w, b2Body*& a, b2Body*& c) {
    w = NeedWorld();
    if (!w) return false;
    CInstance* i1 = nullptr;
    CInstance* i2 = nullptr;
    if (!JointInstance(b, 0, i1) || !JointInstance(b, 1, i2)) return false;
    a = BodyOf(i1);
    c = BodyOf(i2);
    if (!a || !c) {
        Report(std::string(function) + ": An instance does not have an associated physics representation");
        return false;
    }
    a->SetAwake(true);
    c->SetAwake(true);
    return true;
}

int AddJoint(CPhysicsWorld& w, b2JointDef& def) {
    const int id = ++State().lastJoint;
    def.userData.pointer = uintptr_t(id);
    b2Joint* joint = w.world.CreateJoint(&def);
    if (!joint) return -1;
    w.joints[id] = joint;
    return id;
}

b2Joint* NeedJoint(int id, CPhysicsWorld** world = nullptr) {
    CPhysicsWorld* w = NeedWorld();
    if (!w) return nullptr;
    auto it = w->joints.find(id);
    if (it == w->joints.end()) {
        Report(kNoJoint);
        return nullptr;
    }
    if (world) *world = w;
    return it->second;
}

void WakeJoint(b2Joint* j) {
    j->GetBodyA()->SetAwake(true);
    j->GetBodyB()->SetAwake(true);
}

// --- the frame ---------------------------------------------------------------------------------

void FollowBodies(CPhysicsWorld& w) {
    const double k = 1.0 / w.scale;
    for (const auto& record : w.bodies) {
        CInstance* i = record->instance;
        const b2Body* body = record->body;
        const b2Vec2 p = body->GetPosition();
        Motion_SetPosition(*i, double(p.x) * k, double(p.y) * k);
        const float angle = float(-double(body->GetAngle()) * kRadToDeg);
        if (angle != i->imageAngle) {
            i->imageAngle = angle;
            Instance_MarkMoved(i);
        }
    }
}

void DeliverContacts(CPhysicsWorld& w) {
    // The walk takes the frame's records, so whatever the events do cannot change them
    // under it; both lists keep their room from frame to frame.
    std::vector<TContactRecord>& records = w.delivering;
    records.clear();
    records.swap(w.contacts);
    w.contactIndex.clear();
    for (size_t n = records.size(); n-- > 0;) {
        const TContactRecord& r = records[n];
        CPhysicsBody* ra = Body_Record(r.a->GetBody());
        CPhysicsBody* rb = Body_Record(r.b->GetBody());
        if (!ra || !rb) continue;
        CInstance* a = ra->instance;
        CInstance* b = rb->instance;
        if (a->marked || b->marked || a->deactivated || b->deactivated) continue;
        w.current = &r;
        const int objectA = a->objectIndex, objectB = b->objectIndex;
        Event_Perform(a, b, kEventCollision, objectB);
        // An event may have ended the room and its world.
        if (RunningWorld() != &w) return;
        if (!b->marked && !a->marked) Event_Perform(b, a, kEventCollision, objectA);
        if (RunningWorld() != &w) return;
        w.current = nullptr;
    }
    records.clear();
}

// --- instance variables ------------------------------------------------------------------------

CPhysicsWorld* WorldOf(const CInstance* i) {
    // A body always lives in the running room's world while game code can see it.
    return i && i->physicsBody ? RunningWorld() : nullptr;
}

template <typename F>
bool Read(CInstance* i, CValue& r, F f) {
    CPhysicsWorld* w = WorldOf(i);
    if (!w) return false;
    r.SetReal(f(*i->physicsBody->body, *w));
    return true;
}

template <typename F>
bool Write(CInstance* i, const CValue& v, F f) {
    CPhysicsWorld* w = WorldOf(i);
    if (!w) return false;
    f(*i->physicsBody->body, *w, v.val);
    return true;
}

#define PHY_GET(expr)                                                 \
    [](CInstance* i, int32_t, CValue& r) {                            \
        return Read(i, r, [](b2Body& b, CPhysicsWorld& w) -> double { \
            (void)w;                                                  \
            return (expr);                                            \
        });                                                           \
    }
#define PHY_SET(stmt)                                                  \
    [](CInstance* i, int32_t, const CValue& v) {                       \
        return Write(i, v, [](b2Body& b, CPhysicsWorld& w, double x) { \
            (void)w;                                                   \
            stmt;                                                      \
        });                                                            \
    }

bool CollisionPoint(CInstance* i, int32_t index, CValue& r, int what) {
    CPhysicsWorld* w = WorldOf(i);
    if (!w || !w->current || w->current->manifoldCount == 0) return false;
    const TContactManifold& m = w->current->manifolds[size_t(w->current->manifoldCount - 1)];
    if (index < 0 || index >= m.pointCount) return false;
    const double k = 1.0 / w->scale;
    switch (what) {
    case 0: r.SetReal(double(m.points[size_t(index)].x) * k); break;
    case 1: r.SetReal(double(m.points[size_t(index)].y) * k); break;
    case 2: r.SetReal(m.normal.x); break;
    default: r.SetReal(m.normal.y); break;
    }
    return true;
}

struct TPhyVariable {
    const char* name;
    TBuiltinGetter getter;
    TBuiltinSetter setter;
};

const TPhyVariable kVariables[] = {
    {"phy_position_x", PHY_GET(b.GetPosition().x / w.scale),
     PHY_SET(b.SetTransform(b2Vec2(float(x * w.scale), b.GetPosition().y), b.GetAngle()))},
    {"phy_position_y", PHY_GET(b.GetPosition().y / w.scale),
     PHY_SET(b.SetTransform(b2Vec2(b.GetPosition().x, float(x * w.scale)), b.GetAngle()))},
    {"phy_rotation", PHY_GET(b.GetAngle() * kRadToDeg),
     PHY_SET(b.SetTransform(b.GetPosition(), float(x * kDegToRadian)))},
    {"phy_angular_velocity", PHY_GET(b.GetAngularVelocity() * kRadToDeg),
     PHY_SET(b.SetAngularVelocity(float(x * kDegToRadian)))},
    {"phy_linear_velocity_x", PHY_GET(b.GetLinearVelocity().x / w.scale),
     PHY_SET(b.SetLinearVelocity(b2Vec2(float(x * w.scale), b.GetLinearVelocity().y)))},
    {"phy_linear_velocity_y", PHY_GET(b.GetLinearVelocity().y / w.scale),
     PHY_SET(b.SetLinearVelocity(b2Vec2(b.GetLinearVelocity().x, float(x * w.scale))))},
    {"phy_speed_x", PHY_GET(b.GetLinearVelocity().x / w.scale),
     PHY_SET(b.SetLinearVelocity(b2Vec2(float(x * w.scale), b.GetLinearVelocity().y)))},
    {"phy_speed_y", PHY_GET(b.GetLinearVelocity().y / w.scale),
     PHY_SET(b.SetLinearVelocity(b2Vec2(b.GetLinearVelocity().x, float(x * w.scale))))},
    {"phy_bullet", PHY_GET(b.IsBullet() ? 1.0 : 0.0), PHY_SET(b.SetBullet(x > 0.5))},
    {"phy_fixed_rotation", PHY_GET(b.IsFixedRotation() ? 1.0 : 0.0), PHY_SET(b.SetFixedRotation(x > 0.5))},
    {"phy_active", PHY_GET(b.IsEnabled() ? 1.0 : 0.0), PHY_SET(b.SetEnabled(x > 0.5))},
    {"phy_mass", PHY_GET(b.GetMass()), nullptr},
    {"phy_inertia", PHY_GET(b.GetInertia()), nullptr},
    {"phy_com_x", PHY_GET(b.GetWorldCenter().x / w.scale), nullptr},
    {"phy_com_y", PHY_GET(b.GetWorldCenter().y / w.scale), nullptr},
    {"phy_dynamic", PHY_GET(b.GetType() == b2_dynamicBody ? 1.0 : 0.0), nullptr},
    {"phy_kinematic", PHY_GET(b.GetType() == b2_kinematicBody ? 1.0 : 0.0), nullptr},
    {"phy_sleeping", PHY_GET(b.IsAwake() ? 0.0 : 1.0), nullptr},
    {"phy_collision_points",
     [](CInstance* i, int32_t, CValue& r) {
         CPhysicsWorld* w = WorldOf(i);
         if (!w) return false;
         const TContactRecord* c = w->current;
         r.SetReal(c && c->manifoldCount > 0 ? c->manifolds[size_t(c->manifoldCount - 1)].pointCount : 0);
         return true;
     },
     nullptr},
    {"phy_collision_x", [](CInstance* i, int32_t n, CValue& r) { return CollisionPoint(i, n, r, 0); }, nullptr},
    {"phy_collision_y", [](CInstance* i, int32_t n, CValue& r) { return CollisionPoint(i, n, r, 1); }, nullptr},
    {"phy_col_normal_x", [](CInstance* i, int32_t n, CValue& r) { return CollisionPoint(i, n, r, 2); }, nullptr},
    {"phy_col_normal_y", [](CInstance* i, int32_t n, CValue& r) { return CollisionPoint(i, n, r, 3); }, nullptr},
};

#undef PHY_GET
#undef PHY_SET

}  // namespace

// --- the world record ------------------------------------------------------------------------------

CPhysicsWorld::CPhysicsWorld(double scale_) : scale(scale_) {
    world.SetAllowSleeping(true);
    world.SetDestructionListener(this);
}

CPhysicsWorld::~CPhysicsWorld() {
    // The bodies go with the world; their instances stay behind without them.
    for (const auto& record : bodies) record->instance->physicsBody = nullptr;
    world.SetDestructionListener(nullptr);
}

void CPhysicsWorld::SayGoodbye(b2Joint* joint) { joints.erase(Joint_Id(joint)); }

CPhysicsBody* CPhysicsWorld::AddBody(b2Body* body, CInstance* instance, int slot) {
    auto record = std::make_unique<CPhysicsBody>();
    record->body = body;
    record->instance = instance;
    record->slot = slot;
    record->index = bodies.size();
    record->world = this;
    body->GetUserData().pointer = reinterpret_cast<uintptr_t>(record.get());
    bodies.push_back(std::move(record));
    return bodies.back().get();
}

void CPhysicsWorld::RemoveBody(CPhysicsBody* record) {
    // Gear joints on a joint of this body go before Box2D takes that joint away.
    for (b2JointEdge* e = record->body->GetJointList(); e;) {
        b2Joint* joint = e->joint;
        e = e->next;
        if (joints.count(Joint_Id(joint))) DestroyJoint(joint);
        e = record->body->GetJointList();
    }
    // Records of the body's contacts go with it.
    for (std::vector<TContactRecord>* list : {&contacts, &delivering})
        for (size_t n = list->size(); n-- > 0;)
            if ((*list)[n].a->GetBody() == record->body || (*list)[n].b->GetBody() == record->body) {
                if (current == &(*list)[n]) current = nullptr;
                list->erase(list->begin() + long(n));
            }
    contactIndex.clear();
    world.DestroyBody(record->body);
    const size_t index = record->index;
    if (index + 1 != bodies.size()) {
        bodies[index] = std::move(bodies.back());
        bodies[index]->index = index;
    }
    bodies.pop_back();
}

void CPhysicsWorld::DestroyJoint(b2Joint* joint) {
    for (auto it = joints.begin(); it != joints.end();) {
        b2Joint* other = it->second;
        ++it;
        if (other->GetType() != e_gearJoint) continue;
        auto* gear = static_cast<b2GearJoint*>(other);
        if (gear->GetJoint1() == joint || gear->GetJoint2() == joint) {
            joints.erase(Joint_Id(other));
            world.DestroyJoint(other);
            it = joints.begin();
        }
    }
    joints.erase(Joint_Id(joint));
    world.DestroyJoint(joint);
}

void CPhysicsWorld::RecordContacts() {
    for (b2Contact* c = world.GetContactList(); c; c = c->GetNext()) {
        if (!c->IsTouching() || !c->IsEnabled()) continue;
        b2Fixture* a = c->GetFixtureA();
        b2Fixture* b = c->GetFixtureB();
        // One record per contact and frame; a contact made again in a later step of the
        // frame (or a new one at a reused address) gets a record of its own.
        TContactRecord* record = nullptr;
        if (const auto it = contactIndex.find(c); it != contactIndex.end()) {
            TContactRecord& r = contacts[it->second];
            if (r.a == a && r.b == b) record = &r;
        }
        if (!record) {
            contactIndex[c] = contacts.size();
            contacts.push_back({a, b, 0, {}});
            record = &contacts.back();
        }
        if (record->manifoldCount == int(record->manifolds.size())) {
            Console().Output("WARNING: Too many manifolds in collision\n");
            continue;
        }
        b2WorldManifold wm;
        c->GetWorldManifold(&wm);
        TContactManifold& m = record->manifolds[size_t(record->manifoldCount++)];
        m.pointCount = c->GetManifold()->pointCount;
        m.normal = wm.normal;
        for (int p = 0; p < m.pointCount; ++p) m.points[size_t(p)] = wm.points[p];
    }
}

// --- the world -------------------------------------------------------------------------------------

void Physics_CreateWorld(CRoom& room, double scale) {
    auto* world = new CPhysicsWorld(scale);
    world->updateSpeed = room.speed;
    room.physics = TPhysicsWorldPtr(world, TPhysicsWorldDelete{[](CPhysicsWorld* w) { delete w; }});
}

void Physics_CreateRoomWorld(CRoom& room) {
    Physics_CreateWorld(room, room.physicsScale);
    room.physics->world.SetGravity(b2Vec2(float(room.gravityX), float(room.gravityY)));
}

bool Physics_HasWorld(const CRoom* room) { return room && room->physics; }

void Physics_WorldCreate(double scale) {
    CRoom* room = RunningRoom();
    if (!room) {
        Report("No room is available to create a physics world for");
        return;
    }
    if (room->physics) {
        room->physics->scale = scale;
        room->physics->updateSpeed = room->speed;
        return;
    }
    Physics_CreateWorld(*room, scale);
}

void Physics_WorldGravity(double x, double y) {
    CPhysicsWorld* w = NeedWorld();
    if (!w) return;
    w->world.SetGravity(b2Vec2(float(x), float(y)));
    if (x == 0 && y == 0) return;
    for (b2Body* b = w->world.GetBodyList(); b; b = b->GetNext())
        if (b->GetType() == b2_dynamicBody) b->SetAwake(true);
}

void Physics_WorldUpdateSpeed(int steps) {
    if (CPhysicsWorld* w = NeedWorld()) w->updateSpeed = steps;
}

void Physics_WorldUpdateIterations(int iterations) {
    if (CPhysicsWorld* w = NeedWorld()) w->iterations = iterations;
}

void Physics_PauseEnable(bool paused) {
    CPhysicsWorld* w = RunningWorld();
    if (!w) {
        Report("physics_pause_enable() The current room does not have a physics world representation");
        return;
    }
    w->paused = paused;
}

void Physics_WorldDrawDebug(int flags) {
    CPhysicsWorld* w = NeedWorld();
    if (!w) return;
    CPhysicsDebugRender render(w->scale);
    uint32 draw = 0;
    if (flags & kDebugShapes) draw |= b2Draw::e_shapeBit;
    if (flags & kDebugJoints) draw |= b2Draw::e_jointBit;
    if (flags & kDebugCentres) draw |= b2Draw::e_centerOfMassBit;
    if (flags & kDebugBoxes) draw |= b2Draw::e_aabbBit;
    if (flags & kDebugPairs) draw |= b2Draw::e_pairBit;
    render.SetFlags(draw);
    w->world.SetDebugDraw(&render);
    w->world.DebugDraw();
    w->world.SetDebugDraw(nullptr);
    render.ClearFlags(draw);
}

bool Physics_UpdateRoom() {
    CRoom* room = RunningRoom();
    CPhysicsWorld* w = room ? room->physics.get() : nullptr;
    if (!w) return false;
    const int r = room->speed;
    if (r <= 0) return true;
    const uint64_t before = Event_BeginPass();
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) {
        if (i->pathIndex < 0) continue;
        if (Path_StepInstance(*i) && i->creationStamp <= before) Event_Perform(i, i, kEventOther, kOtherEndOfPath);
        if (RunningWorld() != w) return true;
        if (b2Body* body = BodyOf(i); body && body->GetType() != b2_dynamicBody)
            body->SetTransform(b2Vec2(float(i->x * w->scale), float(i->y * w->scale)), body->GetAngle());
    }
    if (!w->paused && w->updateSpeed > 0) {
        const float dt = 1.0f / float(w->updateSpeed);
        for (double n = double(w->updateSpeed) / r; n > 0; n -= 1) {
            w->world.Step(n > 1 ? dt : float(n) * dt, w->iterations, w->iterations);
            w->RecordContacts();
        }
    }
    FollowBodies(*w);
    DeliverContacts(*w);
    return true;
}

// --- fixtures --------------------------------------------------------------------------------------

int Physics_FixtureCreate() {
    const int id = State().nextFixture++;
    State().fixtures[id] = TFixtureDef{};
    return id;
}

bool Physics_FixtureExists(int id) { return FindFixture(id) != nullptr; }

void Physics_FixtureSet(int id, EFixtureProperty what, double v) {
    TFixtureDef* f = FindFixture(id);
    if (!f) {
        Report(kNoFixture);
        return;
    }
    switch (what) {
    case EFixtureProperty::kDensity: f->density = v; break;
    case EFixtureProperty::kRestitution: f->restitution = v; break;
    case EFixtureProperty::kFriction: f->friction = v; break;
    case EFixtureProperty::kCollisionGroup: f->group = int(std::nearbyint(v)); break;
    case EFixtureProperty::kSensor: f->sensor = v > 0.5; break;
    case EFixtureProperty::kLinearDamping: f->linearDamping = v; break;
    case EFixtureProperty::kAngularDamping: f->angularDamping = v; break;
    case EFixtureProperty::kKinematic: f->kinematic = v > 0.5; break;
    case EFixtureProperty::kAwake: f->awake = v > 0.5; break;
    }
}

void Physics_FixtureCircle(int id, double radius) {
    TFixtureDef* f = FindFixture(id);
    if (!f) return Report(kNoFixture);
    f->shape = EShapeKind::kCircle;
    f->radius = radius;
}

void Physics_FixtureBox(int id, double halfWidth, double halfHeight) {
    TFixtureDef* f = FindFixture(id);
    if (!f) return Report(kNoFixture);
    f->shape = EShapeKind::kBox;
    f->halfWidth = halfWidth;
    f->halfHeight = halfHeight;
}

void Physics_FixturePolygon(int id) {
    TFixtureDef* f = FindFixture(id);
    if (!f) return Report(kNoFixture);
    f->shape = EShapeKind::kPolygon;
    f->points.clear();
}

void Physics_FixtureAddPoint(int id, double x, double y) {
    TFixtureDef* f = FindFixture(id);
    if (!f) return Report(kNoFixture);
    if (f->shape != EShapeKind::kPolygon || int(f->points.size()) >= kMaxPolygonPoints)
        return Report("The fixture must be a polygon shape, convex, ordered clockwise and have no more than 8 points");
    f->points.emplace_back(float(x), float(y));
}

void Physics_FixtureBind(int id, CInstance* self, CInstance* other, int obj) {
    CPhysicsWorld* w = RunningWorld();
    if (!w) return Report("Cannot bind a fixture if no physics world exists for the current room");
    const TFixtureDef* f = FindFixture(id);
    if (!f) return Report(kNoFixture);
    std::vector<CInstance*> targets;
    const CInstanceWorld& world = *Game().world;
    if (obj == -1) {
        if (self) targets.push_back(self);
    } else if (obj == -2) {
        if (other) targets.push_back(other);
    } else if (obj == -3) {
        world.All(targets);
    } else if (obj >= 0 && obj < kFirstInstanceId) {
        world.OfObjectAll(obj, targets);
    } else if (CInstance* i = world.Find(obj); i && !i->marked) {
        targets.push_back(i);
    }
    // A copy: binding may report, and the report may run code.
    const TFixtureDef def = *f;
    for (CInstance* i : targets) Bind(*w, def, id, i);
}

void Physics_FixtureDelete(int id) {
    if (State().fixtures.erase(id) == 0) Report(kNoFixture);
}

void Physics_AttachObjectBody(CRoomInstances& rooms, CInstance* instance) {
    CRoom& room = static_cast<CRoom&>(rooms);
    if (!room.physics || !instance->object || instance->physicsBody) return;
    const CObject& o = *instance->object;
    TFixtureDef def;
    def.density = o.physicsValue1;
    def.restitution = o.physicsValue2;
    def.group = o.physicsGroup;
    def.linearDamping = o.physicsValue3;
    def.angularDamping = o.physicsValue4;
    def.sensor = o.physicsSensor;
    const auto& pts = o.physicsShapePoints;
    // Without points the shape takes the sprite's box around its origin.
    float left = 0, top = 0, right = 0, bottom = 0;
    if (!pts.empty()) {
        left = right = pts[0].first;
        top = bottom = pts[0].second;
        for (const auto& [x, y] : pts) {
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    } else if (const CSprite* s = Sprite_Get(instance->spriteIndex)) {
        left = float(-s->xorigin), top = float(-s->yorigin);
        right = left + float(s->width), bottom = top + float(s->height);
    }
    switch (o.physicsShape) {
    case 0:
        def.shape = EShapeKind::kCircle;
        def.radius = pts.size() >= 2 ? std::hypot(pts[1].first - pts[0].first, pts[1].second - pts[0].second)
                                     : std::max(right - left, bottom - top) / 2.0;
        def.centre =
            pts.size() >= 2 ? b2Vec2(pts[0].first, pts[0].second) : b2Vec2((left + right) / 2, (top + bottom) / 2);
        break;
    case 1:
        def.shape = EShapeKind::kBox;
        def.halfWidth = (right - left) / 2.0;
        def.halfHeight = (bottom - top) / 2.0;
        def.centre.Set((left + right) / 2, (top + bottom) / 2);
        break;
    default:
        def.shape = EShapeKind::kPolygon;
        for (const auto& [x, y] : pts) def.points.emplace_back(x, y);
        break;
    }
    Bind(*room.physics, def, -1, instance);
}

void Physics_ReleaseBody(CInstance* instance) {
    CPhysicsBody* record = instance->physicsBody;
    if (!record) return;
    instance->physicsBody = nullptr;
    record->world->RemoveBody(record);
}

// --- bodies ----------------------------------------------------------------------------------------

void Physics_Apply(CInstance* self, EApply how, double x, double y, double fx, double fy) {
    CPhysicsWorld* w = nullptr;
    b2Body* b = NeedBody(self, &w);
    if (!b) return;
    const b2Vec2 at(float(x * w->scale), float(y * w->scale));
    const b2Vec2 v{float(fx), float(fy)};
    switch (how) {
    case EApply::kForce: b->ApplyForce(v, at, true); break;
    case EApply::kImpulse: b->ApplyLinearImpulse(v, at, true); break;
    case EApply::kLocalForce: b->ApplyForce(b->GetWorldVector(v), b->GetWorldPoint(at), true); break;
    case EApply::kLocalImpulse: b->ApplyLinearImpulse(b->GetWorldVector(v), b->GetWorldPoint(at), true); break;
    }
}

void Physics_ApplyTorque(CInstance* self, double torque) {
    if (b2Body* b = NeedBody(self)) b->ApplyTorque(float(torque), true);
}

void Physics_MassProperties(CInstance* self, double mass, double centreX, double centreY, double inertia) {
    CPhysicsWorld* w = nullptr;
    b2Body* b = NeedBody(self, &w);
    if (!b) return;
    b2MassData data;
    data.mass = float(mass);
    data.center.Set(float(centreX * w->scale), float(centreY * w->scale));
    data.I = float(inertia);
    b->SetMassData(&data);
}

void Physics_DrawDebug(CInstance* self) {
    CPhysicsWorld* w = RunningWorld();
    b2Body* b = BodyOf(self);
    if (!w || !b) return;
    CPhysicsDebugRender render(w->scale);
    for (const b2Fixture* f = b->GetFixtureList(); f; f = f->GetNext()) DrawFixture(render, f, b->GetTransform());
}

bool Physics_TestOverlap(CInstance* self, CInstance* other, double x, double y, double angle, int obj) {
    CPhysicsWorld* w = nullptr;
    b2Body* b = NeedBody(self, &w);
    if (!b) return false;
    std::vector<CInstance*> targets;
    const CInstanceWorld& world = *Game().world;
    if (obj == -2) {
        if (other) targets.push_back(other);
    } else if (obj == -3) {
        world.All(targets);
    } else if (obj >= 0 && obj < kFirstInstanceId) {
        world.OfObjectAll(obj, targets);
    } else if (CInstance* i = world.Find(obj)) {
        targets.push_back(i);
    }
    const b2Transform at(b2Vec2(float(x * w->scale), float(y * w->scale)), b2Rot(float(-angle * kDegToRadian)));
    for (CInstance* i : targets) {
        b2Body* ob = BodyOf(i);
        if (!ob || ob == b) continue;
        for (b2Fixture* fa = b->GetFixtureList(); fa; fa = fa->GetNext())
            for (b2Fixture* fb = ob->GetFixtureList(); fb; fb = fb->GetNext())
                for (int32 ca = 0; ca < fa->GetShape()->GetChildCount(); ++ca)
                    for (int32 cb = 0; cb < fb->GetShape()->GetChildCount(); ++cb)
                        if (b2TestOverlap(fa->GetShape(), ca, fb->GetShape(), cb, at, ob->GetTransform())) return true;
    }
    return false;
}

// --- joints ----------------------------------------------------------------------------------------

int Physics_JointDistance(const CJointBodies& j, double x1, double y1, double x2, double y2, bool collide) {
    CPhysicsWorld* w;
    b2Body *a, *b;
    if (!JointBodies(j, "physics_joint_distance_create", w, a, b)) return -1;
    const float s = float(w->scale);
    b2DistanceJointDef def;
    def.Initialize(a, b, b2Vec2(float(x1) * s, float(y1) * s), b2Vec2(float(x2) * s, float(y2) * s));
    def.collideConnected = collide;
    return AddJoint(*w, def);
}

int Physics_JointRevolute(const CJointBodies& j, double x, double y, double lower, double upper, bool limit,
                          double maxTorque, double speed, bool motor, bool collide) {
    CPhysicsWorld* w;
    b2Body *a, *b;
    if (!JointBodies(j, "physics_joint_revolute_create", w, a, b)) return -1;
    const float s = float(w->scale);
    b2RevoluteJointDef def;
    def.Initialize(a, b, b2Vec2(float(x) * s, float(y) * s));
    def.lowerAngle = float(lower * kDegToRadian);
    def.upperAngle = float(upper * kDegToRadian);
    def.enableLimit = limit;
    def.maxMotorTorque = float(maxTorque);
    def.motorSpeed = float(speed);
    def.enableMotor = motor;
    def.collideConnected = collide;
    return AddJoint(*w, def);
}

int Physics_JointPrismatic(const CJointBodies& j, double x, double y, double axisX, double axisY, double lower,
                           double upper, bool limit, double maxForce, double speed, bool motor, bool collide) {
    CPhysicsWorld* w;
    b2Body *a, *b;
    if (!JointBodies(j, "physics_joint_prismatic_create", w, a, b)) return -1;
    const float s = float(w->scale);
    b2Vec2 axis{float(axisX), float(axisY)};
    if (axis.Normalize() == 0.0f) axis.Set(1, 0);
    b2PrismaticJointDef def;
    def.Initialize(a, b, b2Vec2(float(x) * s, float(y) * s), axis);
    def.lowerTranslation = float(lower) * s;
    def.upperTranslation = float(upper) * s;
    def.enableLimit = limit;
    def.maxMotorForce = float(maxForce);
    def.motorSpeed = float(speed);
    def.enableMotor = motor;
    def.collideConnected = collide;
    return AddJoint(*w, def);
}

int Physics_JointPulley(const CJointBodies& j, const double ground[4], const double local[4], double ratio, double,
                        double, bool collide) {
    CPhysicsWorld* w;
    b2Body *a, *b;
    if (!JointBodies(j, "physics_joint_pulley_create", w, a, b)) return -1;
    const float s = float(w->scale);
    b2PulleyJointDef def;
    def.Initialize(a, b, b2Vec2(float(ground[0]) * s, float(ground[1]) * s),
                   b2Vec2(float(ground[2]) * s, float(ground[3]) * s),
                   a->GetWorldPoint(b2Vec2(float(local[0]) * s, float(local[1]) * s)),
                   b->GetWorldPoint(b2Vec2(float(local[2]) * s, float(local[3]) * s)), float(ratio));
    def.collideConnected = collide;
    return AddJoint(*w, def);
}

int Physics_JointGear(const CJointBodies& j, int joint1, int joint2, double ratio) {
    CPhysicsWorld* w;
    b2Body *a, *b;
    if (!JointBodies(j, "physics_joint_gear_create", w, a, b)) return -1;
    const auto i1 = w->joints.find(joint1), i2 = w->joints.find(joint2);
    if (i1 == w->joints.end() || i2 == w->joints.end()) {
        Report(kNoJoint);
        return -1;
    }
    const auto gearable = [](const b2Joint* joint) {
        return joint->GetType() == e_revoluteJoint || joint->GetType() == e_prismaticJoint;
    };
    if (!gearable(i1->second) || !gearable(i2->second)) return -1;
    b2GearJointDef def;
    def.bodyA = a;
    def.bodyB = b;
    def.joint1 = i1->second;
    def.joint2 = i2->second;
    def.ratio = float(ratio);
    return AddJoint(*w, def);
}

void Physics_JointEnableMotor(int id, bool on) {
    b2Joint* j = NeedJoint(id);
    if (!j) return;
    if (j->GetType() == e_revoluteJoint) {
        WakeJoint(j);
        static_cast<b2RevoluteJoint*>(j)->EnableMotor(on);
    } else if (j->GetType() == e_prismaticJoint) {
        WakeJoint(j);
        static_cast<b2PrismaticJoint*>(j)->EnableMotor(on);
    }
}

double Physics_JointGet(int id, int field) {
    CPhysicsWorld* w = nullptr;
    b2Joint* j = NeedJoint(id, &w);
    if (!j) return 0;
    const float invDt = float(w->updateSpeed);
    auto* rev = j->GetType() == e_revoluteJoint ? static_cast<b2RevoluteJoint*>(j) : nullptr;
    auto* pri = j->GetType() == e_prismaticJoint ? static_cast<b2PrismaticJoint*>(j) : nullptr;
    auto* pul = j->GetType() == e_pulleyJoint ? static_cast<b2PulleyJoint*>(j) : nullptr;
    switch (field) {
    case kJointAnchor1X: return j->GetAnchorA().x;
    case kJointAnchor1Y: return j->GetAnchorA().y;
    case kJointAnchor2X: return j->GetAnchorB().x;
    case kJointAnchor2Y: return j->GetAnchorB().y;
    case kJointReactionForceX: return j->GetReactionForce(invDt).x;
    case kJointReactionForceY: return j->GetReactionForce(invDt).y;
    case kJointReactionTorque: return j->GetReactionTorque(invDt);
    case kJointMotorSpeed: return rev ? rev->GetMotorSpeed() : pri ? pri->GetMotorSpeed() : 0.0;
    case kJointAngle: return rev ? rev->GetJointAngle() : 0.0;
    case kJointMotorTorque: return rev ? rev->GetMotorTorque(invDt) : 0.0;
    case kJointTranslation: return pri ? pri->GetJointTranslation() : 0.0;
    case kJointSpeed: return pri ? pri->GetJointSpeed() : 0.0;
    case kJointMotorForce: return pri ? pri->GetMotorForce(invDt) : 0.0;
    case kJointLength1: return pul ? pul->GetCurrentLengthA() : 0.0;
    case kJointLength2: return pul ? pul->GetCurrentLengthB() : 0.0;
    default: return 0;
    }
}

void Physics_JointSet(int id, int field, double value) {
    b2Joint* j = NeedJoint(id);
    if (!j) return;
    auto* rev = j->GetType() == e_revoluteJoint ? static_cast<b2RevoluteJoint*>(j) : nullptr;
    auto* pri = j->GetType() == e_prismaticJoint ? static_cast<b2PrismaticJoint*>(j) : nullptr;
    switch (field) {
    case kJointMotorSpeed:
        if (rev || pri) WakeJoint(j);
        if (rev) rev->SetMotorSpeed(float(value));
        if (pri) pri->SetMotorSpeed(float(value));
        break;
    case kJointMaxMotorTorque:
        if (rev) rev->SetMaxMotorTorque(float(value));
        break;
    case kJointMaxMotorForce:
        if (pri) pri->SetMaxMotorForce(float(value));
        break;
    default: break;
    }
}

void Physics_JointDelete(int id) {
    CPhysicsWorld* w = nullptr;
    if (b2Joint* j = NeedJoint(id, &w)) w->DestroyJoint(j);
}

// --- start-up --------------------------------------------------------------------------------------

void Physics_ConnectVariables() {
    for (const TPhyVariable& v : kVariables) Variable_ConnectBuiltin(v.name, v.getter, v.setter);
}

void Physics_InstallHooks() {
    CInstancePhysicsHooks instance;
    instance.attach = Physics_AttachObjectBody;
    instance.release = Physics_ReleaseBody;
    Instance_SetPhysicsHooks(instance);
    CRoomHooks room = Room_Hooks();
    room.createPhysicsWorld = Physics_CreateRoomWorld;
    Room_SetHooks(room);
}
