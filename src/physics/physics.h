#pragma once
// The physics binding: a room's rigid-body world, the bodies of its instances, fixture
// definitions, joints and the contacts that become collision events. Room positions
// and sizes are pixels, multiplied by the world's scale on the way in and divided by it
// on the way out; angles are degrees, the instance's image_angle being the negated body
// angle (y points down in both). Every operation reports its own failure through the
// run-time error path and does nothing else; nothing here throws.
#include <cstdint>

class CInstance;
class CRoom;
struct CRoomInstances;

// Field numbers of joint values and the flags of the debug drawing.
enum EPhysicsJointField {
    kJointAnchor1X = 0,
    kJointAnchor1Y = 1,
    kJointAnchor2X = 2,
    kJointAnchor2Y = 3,
    kJointReactionForceX = 4,
    kJointReactionForceY = 5,
    kJointReactionTorque = 6,
    kJointMotorSpeed = 7,
    kJointAngle = 8,
    kJointMotorTorque = 9,
    kJointMaxMotorTorque = 10,
    kJointTranslation = 11,
    kJointSpeed = 12,
    kJointMotorForce = 13,
    kJointMaxMotorForce = 14,
    kJointLength1 = 15,
    kJointLength2 = 16,
};
enum EPhysicsDebugFlag {
    kDebugShapes = 1,
    kDebugJoints = 2,
    kDebugCentres = 4,
    kDebugBoxes = 8,
    kDebugPairs = 64,
};

// --- the world ---------------------------------------------------------------------------

// Creates the room's world (gravity (0, 10), `scale` metres per pixel, stepped at the
// room speed with 10 iterations).
void Physics_CreateWorld(CRoom& room, double scale);
// The record's settings: its scale, and its gravity.
void Physics_CreateRoomWorld(CRoom& room);
bool Physics_HasWorld(const CRoom* room);
// physics_world_create in the running room; an existing world takes the new scale and
// steps at the room speed again.
void Physics_WorldCreate(double scale);
void Physics_WorldGravity(double x, double y);
void Physics_WorldUpdateSpeed(int steps);
void Physics_WorldUpdateIterations(int iterations);
void Physics_PauseEnable(bool paused);
void Physics_WorldDrawDebug(int flags);

// The frame's motion phase when the running room has a world: paths, the steps of the
// frame, the instances following their bodies and the contacts' collision events.
// False (and nothing done) when the running room has no world.
bool Physics_UpdateRoom();

// --- fixtures ----------------------------------------------------------------------------

int Physics_FixtureCreate();
// `what` names the property; the value is in the script's units.
enum class EFixtureProperty {
    kDensity,
    kRestitution,
    kFriction,
    kCollisionGroup,
    kSensor,
    kLinearDamping,
    kAngularDamping,
    kKinematic,
    kAwake
};
void Physics_FixtureSet(int id, EFixtureProperty what, double value);
void Physics_FixtureCircle(int id, double radius);
void Physics_FixtureBox(int id, double halfWidth, double halfHeight);
void Physics_FixturePolygon(int id);
void Physics_FixtureAddPoint(int id, double x, double y);
// obj: -1 self, -2 other, -3 every instance, an object (with its descendants) or an id.
void Physics_FixtureBind(int id, CInstance* self, CInstance* other, int obj);
void Physics_FixtureDelete(int id);
bool Physics_FixtureExists(int id);
// The fixture the object's physics properties describe, bound to the instance (the
// hook behind instance creation).
void Physics_AttachObjectBody(CRoomInstances& room, CInstance* instance);
void Physics_ReleaseBody(CInstance* instance);

// --- bodies ------------------------------------------------------------------------------

enum class EApply { kForce, kImpulse, kLocalForce, kLocalImpulse };
void Physics_Apply(CInstance* self, EApply how, double x, double y, double fx, double fy);
void Physics_ApplyTorque(CInstance* self, double torque);
void Physics_MassProperties(CInstance* self, double mass, double centreX, double centreY, double inertia);
void Physics_DrawDebug(CInstance* self);
bool Physics_TestOverlap(CInstance* self, CInstance* other, double x, double y, double angle, int obj);

// --- joints ------------------------------------------------------------------------------

// Each gives the joint's id, or -1 when none was made. inst1/inst2 are named like the
// binding's obj (no -3).
struct CJointBodies {
    CInstance* self = nullptr;
    CInstance* other = nullptr;
    int inst1 = -1, inst2 = -1;
};
int Physics_JointDistance(const CJointBodies& b, double x1, double y1, double x2, double y2, bool collide);
int Physics_JointRevolute(const CJointBodies& b, double x, double y, double lower, double upper, bool limit,
                          double maxTorque, double speed, bool motor, bool collide);
int Physics_JointPrismatic(const CJointBodies& b, double x, double y, double axisX, double axisY, double lower,
                           double upper, bool limit, double maxForce, double speed, bool motor, bool collide);
int Physics_JointPulley(const CJointBodies& b, const double ground[4], const double local[4], double ratio,
                        double maxLength1, double maxLength2, bool collide);
int Physics_JointGear(const CJointBodies& b, int joint1, int joint2, double ratio);
void Physics_JointEnableMotor(int joint, bool on);
double Physics_JointGet(int joint, int field);
void Physics_JointSet(int joint, int field, double value);
void Physics_JointDelete(int joint);

// --- start-up ----------------------------------------------------------------------------

// The phy_* instance variables.
void Physics_ConnectVariables();
// The instance and room hooks that give instances bodies and rooms worlds.
void Physics_InstallHooks();
