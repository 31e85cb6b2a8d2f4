#include "function/function_physics.h"

#include <iterator>

#include "physics/physics.h"
#include "value/args.h"

namespace {

#define A(i) Arg_Real(argc, args, i)
#define HANDLER(name) void name(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args)
#define UNUSED (void)result, (void)self, (void)other, (void)argc, (void)args

// Flags count as set above 0.5.
bool Flag(int argc, const CValue* args, int i) { return Arg_Real(argc, args, i) > 0.5; }

HANDLER(F_WorldCreate) {
    UNUSED;
    Physics_WorldCreate(A(0));
}
HANDLER(F_WorldGravity) {
    UNUSED;
    Physics_WorldGravity(A(0), A(1));
}
HANDLER(F_WorldUpdateSpeed) {
    UNUSED;
    Physics_WorldUpdateSpeed(Arg_Int(argc, args, 0));
}
HANDLER(F_WorldUpdateIterations) {
    UNUSED;
    Physics_WorldUpdateIterations(Arg_Int(argc, args, 0));
}
HANDLER(F_PauseEnable) {
    UNUSED;
    Physics_PauseEnable(Flag(argc, args, 0));
}
HANDLER(F_WorldDrawDebug) {
    UNUSED;
    Physics_WorldDrawDebug(Arg_Int(argc, args, 0));
}
HANDLER(F_DrawDebug) {
    UNUSED;
    Physics_DrawDebug(self);
}

HANDLER(F_FixtureCreate) {
    UNUSED;
    result.SetReal(Physics_FixtureCreate());
}

template <EFixtureProperty P>
HANDLER(F_FixtureSet) {
    UNUSED;
    Physics_FixtureSet(Arg_Int(argc, args, 0), P, A(1));
}
HANDLER(F_FixtureKinematic) {
    UNUSED;
    Physics_FixtureSet(Arg_Int(argc, args, 0), EFixtureProperty::kKinematic, 1);
}
HANDLER(F_FixtureCircle) {
    UNUSED;
    Physics_FixtureCircle(Arg_Int(argc, args, 0), A(1));
}
HANDLER(F_FixtureBox) {
    UNUSED;
    Physics_FixtureBox(Arg_Int(argc, args, 0), A(1), A(2));
}
HANDLER(F_FixturePolygon) {
    UNUSED;
    Physics_FixturePolygon(Arg_Int(argc, args, 0));
}
HANDLER(F_FixtureAddPoint) {
    UNUSED;
    Physics_FixtureAddPoint(Arg_Int(argc, args, 0), A(1), A(2));
}
HANDLER(F_FixtureBind) {
    UNUSED;
    Physics_FixtureBind(Arg_Int(argc, args, 0), self, other, Arg_Int(argc, args, 1));
}
HANDLER(F_FixtureDelete) {
    UNUSED;
    Physics_FixtureDelete(Arg_Int(argc, args, 0));
}

template <EApply How>
HANDLER(F_Apply) {
    UNUSED;
    Physics_Apply(self, How, A(0), A(1), A(2), A(3));
}
HANDLER(F_ApplyTorque) {
    UNUSED;
    Physics_ApplyTorque(self, A(0));
}
HANDLER(F_MassProperties) {
    UNUSED;
    Physics_MassProperties(self, A(0), A(1), A(2), A(3));
}
HANDLER(F_TestOverlap) {
    UNUSED;
    result.SetReal(Physics_TestOverlap(self, other, A(0), A(1), A(2), Arg_Int(argc, args, 3)) ? 1.0 : 0.0);
}

CJointBodies Bodies(CInstance* self, CInstance* other, int argc, const CValue* args) {
    return {self, other, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1)};
}

HANDLER(F_JointDistance) {
    UNUSED;
    result.SetReal(Physics_JointDistance(Bodies(self, other, argc, args), A(2), A(3), A(4), A(5), Flag(argc, args, 6)));
}
HANDLER(F_JointRevolute) {
    UNUSED;
    result.SetReal(Physics_JointRevolute(Bodies(self, other, argc, args), A(2), A(3), A(4), A(5), Flag(argc, args, 6),
                                         A(7), A(8), Flag(argc, args, 9), Flag(argc, args, 10)));
}
HANDLER(F_JointPrismatic) {
    UNUSED;
    result.SetReal(Physics_JointPrismatic(Bodies(self, other, argc, args), A(2), A(3), A(4), A(5), A(6), A(7),
                                          Flag(argc, args, 8), A(9), A(10), Flag(argc, args, 11),
                                          Flag(argc, args, 12)));
}
HANDLER(F_JointPulley) {
    UNUSED;
    const double ground[4] = {A(2), A(3), A(4), A(5)};
    const double local[4] = {A(6), A(7), A(8), A(9)};
    result.SetReal(
        Physics_JointPulley(Bodies(self, other, argc, args), ground, local, A(10), A(11), A(12), Flag(argc, args, 13)));
}
HANDLER(F_JointGear) {
    UNUSED;
    result.SetReal(
        Physics_JointGear(Bodies(self, other, argc, args), Arg_Int(argc, args, 2), Arg_Int(argc, args, 3), A(4)));
}
HANDLER(F_JointEnableMotor) {
    UNUSED;
    Physics_JointEnableMotor(Arg_Int(argc, args, 0), Flag(argc, args, 1));
}
HANDLER(F_JointGetValue) {
    UNUSED;
    result.SetReal(Physics_JointGet(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1)));
}
HANDLER(F_JointSetValue) {
    UNUSED;
    Physics_JointSet(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), A(2));
}
HANDLER(F_JointDelete) {
    UNUSED;
    Physics_JointDelete(Arg_Int(argc, args, 0));
}

#undef A
#undef HANDLER
#undef UNUSED

}  // namespace

extern const FunctionImpl kPhysicsFunctions[] = {
    {"physics_world_create", F_WorldCreate},
    {"physics_world_gravity", F_WorldGravity},
    {"physics_world_update_speed", F_WorldUpdateSpeed},
    {"physics_world_update_iterations", F_WorldUpdateIterations},
    {"physics_world_draw_debug", F_WorldDrawDebug},
    {"physics_pause_enable", F_PauseEnable},
    {"physics_fixture_create", F_FixtureCreate},
    {"physics_fixture_set_kinematic", F_FixtureKinematic},
    {"physics_fixture_set_awake", F_FixtureSet<EFixtureProperty::kAwake>},
    {"physics_fixture_set_density", F_FixtureSet<EFixtureProperty::kDensity>},
    {"physics_fixture_set_restitution", F_FixtureSet<EFixtureProperty::kRestitution>},
    {"physics_fixture_set_friction", F_FixtureSet<EFixtureProperty::kFriction>},
    {"physics_fixture_set_collision_group", F_FixtureSet<EFixtureProperty::kCollisionGroup>},
    {"physics_fixture_set_sensor", F_FixtureSet<EFixtureProperty::kSensor>},
    {"physics_fixture_set_linear_damping", F_FixtureSet<EFixtureProperty::kLinearDamping>},
    {"physics_fixture_set_angular_damping", F_FixtureSet<EFixtureProperty::kAngularDamping>},
    {"physics_fixture_set_circle_shape", F_FixtureCircle},
    {"physics_fixture_set_box_shape", F_FixtureBox},
    {"physics_fixture_set_polygon_shape", F_FixturePolygon},
    {"physics_fixture_add_point", F_FixtureAddPoint},
    {"physics_fixture_bind", F_FixtureBind},
    {"physics_fixture_delete", F_FixtureDelete},
    {"physics_apply_force", F_Apply<EApply::kForce>},
    {"physics_apply_impulse", F_Apply<EApply::kImpulse>},
    {"physics_apply_local_force", F_Apply<EApply::kLocalForce>},
    {"physics_apply_local_impulse", F_Apply<EApply::kLocalImpulse>},
    {"physics_apply_torque", F_ApplyTorque},
    {"physics_mass_properties", F_MassProperties},
    {"physics_draw_debug", F_DrawDebug},
    {"physics_test_overlap", F_TestOverlap},
    {"physics_joint_distance_create", F_JointDistance},
    {"physics_joint_revolute_create", F_JointRevolute},
    {"physics_joint_prismatic_create", F_JointPrismatic},
    {"physics_joint_pulley_create", F_JointPulley},
    {"physics_joint_gear_create", F_JointGear},
    {"physics_joint_enable_motor", F_JointEnableMotor},
    {"physics_joint_get_value", F_JointGetValue},
    {"physics_joint_set_value", F_JointSetValue},
    {"physics_joint_delete", F_JointDelete},
};
extern const size_t kPhysicsFunctionCount = std::size(kPhysicsFunctions);
