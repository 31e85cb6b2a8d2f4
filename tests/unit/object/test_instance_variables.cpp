// Built-in and user variables of an instance read and written through `self`, which the
// machine serves directly, against the same access through `other` (the scope's general
// road) on the same instance: every built-in, a missing instance, a destroyed instance,
// a variable never set, and variables named without a scope.
#include <cstring>
#include <map>

#include "object/game_fixture.h"

namespace {

class InstanceVariableTest : public GameTest {
protected:
    struct Outcome {
        bool ok = false;
        bool error = false;
        bool indexError = false;
        CValue value;
    };

    // The built-ins read here: all but the clock's, which may move on between two reads.
    static std::vector<int> ReadableBuiltins() {
        std::vector<int> ids;
        for (int id = 0; id < Variable_BuiltinCount(); ++id)
            if (std::strncmp(Variable_Name(id), "current_", 8) != 0) ids.push_back(id);
        return ids;
    }
    static std::string ReadUnit(const char* scope, int id) {
        return std::string(scope) + "_read_" + std::to_string(id);
    }
    static std::string WriteUnit(const char* scope, int id, int value) {
        return std::string(scope) + "_write_" + std::to_string(id) + "_" + std::to_string(value);
    }

    // Units reading every built-in through self and through other.
    void AddReadUnits() {
        for (int id : ReadableBuiltins())
            for (const char* scope : {"self", "other"})
                Unit(ReadUnit(scope, id), std::string("push.v ") + scope + "." + Variable_Name(id) + "\n");
    }

    Outcome RunUnit(const std::string& name, CInstance* self) {
        if (units.empty())
            for (size_t k = 0; k < res.code.entries.size(); ++k)
                if (res.code.entries[k].offset) units[data.Text(res.code.entries[k].nameOffset)] = int(k);
        Outcome o;
        const auto it = units.find(name);
        if (it == units.end()) {
            ADD_FAILURE() << "no unit " << name;
            return o;
        }
        Game().indexError = false;
        o.ok = VM_RunIndex(it->second, self, self, &o.value);
        o.error = Game().error.flag;
        o.indexError = Game().indexError;
        return o;
    }
    std::map<std::string, int> units;

    static void ExpectSame(const Outcome& direct, const Outcome& general) {
        EXPECT_EQ(direct.ok, general.ok);
        EXPECT_EQ(direct.error, general.error);
        EXPECT_EQ(direct.indexError, general.indexError);
        EXPECT_EQ(direct.value.kind, general.value.kind);
        EXPECT_EQ(direct.value.val, general.value.val);
        EXPECT_STREQ(direct.value.Text(), general.value.Text());
    }

    // Fields with values no default has, so that a read of the wrong field shows.
    static void Distinguish(CInstance& i) {
        i.x = 7.25f, i.y = -3.5f, i.xprevious = 1.125f, i.yprevious = 2.75f, i.xstart = 11, i.ystart = 12;
        i.hspeed = 1.5f, i.vspeed = -0.75f, i.direction = 33, i.speed = 2.5f, i.friction = 0.125f;
        i.gravity = 0.0625f, i.gravityDirection = 181, i.depth = -4, i.visible = false, i.solid = true;
        i.persistent = true, i.imageIndex = 2.5f, i.imageSpeed = 0, i.imageXScale = 3, i.imageYScale = 0.5f;
        i.imageAngle = 45, i.imageAlpha = 0.25f, i.imageBlend = 0x123456, i.pathPosition = 0.375f;
        i.pathPositionPrevious = 0.25f, i.pathSpeed = 5, i.pathScale = 2, i.pathOrientation = 90, i.pathEndAction = 2;
        i.timelineIndex = 3, i.timelinePosition = 4.5f, i.timelineSpeed = 1.25f, i.timelineRunning = true;
        i.timelineLoop = true, i.alarm[0] = 17;
    }
};

TEST_F(InstanceVariableTest, SelfReadsGiveWhatTheScopeReadGives) {
    const int rm = Room("rm");
    const int o = Object("obj");
    Place(rm, o, 100001, 5, 6);
    AddReadUnits();
    Load();
    Start();
    CInstance* inst = Game().world->ActiveHead();
    ASSERT_NE(inst, nullptr);
    Distinguish(*inst);
    Game().error.silent = true;
    // With an instance, without one, and with one destroyed in this step: a destroyed
    // instance keeps its fields until the frame removes it.
    for (int pass = 0; pass < 3; ++pass) {
        CInstance* self = pass == 1 ? nullptr : inst;
        if (pass == 2) inst->marked = true;
        for (int id : ReadableBuiltins()) {
            SCOPED_TRACE(std::string(Variable_Name(id)) + " pass " + std::to_string(pass));
            const Outcome direct = RunUnit(ReadUnit("self", id), self);
            const Outcome general = RunUnit(ReadUnit("other", id), self);
            ExpectSame(direct, general);
        }
    }
    inst->marked = false;
    Game().error.silent = false;
}

TEST_F(InstanceVariableTest, SelfWritesGoWhereTheScopeWriteGoes) {
    const int rm = Room("rm");
    const int o = Object("obj");
    Place(rm, o, 100001, 5, 6);
    Place(rm, o, 100002, 5, 6);
    AddReadUnits();
    // A real, an integer item, a real rounding to 1 and a text into every writable
    // built-in (the room's index would change the room).
    const char* const kValues[] = {"push.d 3.7\npop.v.d ", "push.i -2\npop.v.i ", "push.d 0.6\npop.v.d ",
                                   "push.s \"12\"\npop.v.s "};
    std::vector<int> written;
    for (int id = 0; id < Variable_BuiltinCount(); ++id) {
        const CBuiltinVariable* b = Variable_Builtin(id);
        if (!b->writable || std::strcmp(Variable_Name(id), "room") == 0) continue;
        written.push_back(id);
        for (const char* scope : {"self", "other"})
            for (int v = 0; v < 4; ++v)
                Unit(WriteUnit(scope, id, v), kValues[v] + std::string(scope) + "." + Variable_Name(id) + "\n");
    }
    Load();
    Start();
    CInstance* a = Game().world->Find(100001);
    CInstance* b = Game().world->Find(100002);
    ASSERT_TRUE(a && b);
    Game().error.silent = true;
    for (int id : written)
        for (int v = 0; v < 4; ++v) {
            SCOPED_TRACE(std::string(Variable_Name(id)) + " value " + std::to_string(v));
            Distinguish(*a);
            Distinguish(*b);
            ExpectSame(RunUnit(WriteUnit("self", id, v), a), RunUnit(WriteUnit("other", id, v), b));
            // Whatever the setter touched, both instances read alike (their ids aside).
            for (int r : ReadableBuiltins()) {
                if (std::strcmp(Variable_Name(r), "id") == 0 || std::strcmp(Variable_Name(r), "instance_id") == 0)
                    continue;
                SCOPED_TRACE(Variable_Name(r));
                ExpectSame(RunUnit(ReadUnit("other", r), a), RunUnit(ReadUnit("other", r), b));
            }
        }
    Game().error.silent = false;
}

// A user variable read before any write: the real 0 while unset variables are zero, an
// error otherwise, through self as through other; a write then creates it.
TEST_F(InstanceVariableTest, UserVariablesNeverSetReadAlikeThroughSelf) {
    const int rm = Room("rm");
    const int o = Object("obj");
    Place(rm, o, 100001);
    Unit("self_read", "push.v self.count\n");
    Unit("other_read", "push.v other.count\n");
    Unit("self_write", "push.v self.count\npush.d 1\nadd.d.v\npop.v.v self.count\npush.v self.count\n");
    Load();
    Start();
    CInstance* inst = Game().world->ActiveHead();
    ASSERT_NE(inst, nullptr);
    Game().error.silent = true;
    for (bool zero : {true, false}) {
        SCOPED_TRACE(zero);
        Variable_SetUnsetIsZero(zero);
        const Outcome direct = RunUnit("self_read", inst);
        ExpectSame(direct, RunUnit("other_read", inst));
        EXPECT_EQ(direct.error, !zero);
    }
    Variable_SetUnsetIsZero(true);
    EXPECT_EQ(RunUnit("self_write", inst).value.val, 1);
    EXPECT_EQ(RunUnit("self_write", inst).value.val, 2);
    ExpectSame(RunUnit("self_read", inst), RunUnit("other_read", inst));
    Game().error.silent = false;
}

// Script text names an instance's variables without a scope: the instance's own, until a
// globalvar declares the name, and then the global one.
TEST_F(InstanceVariableTest, UnqualifiedVariablesAreTheInstanceOwnUntilDeclaredGlobal) {
    const int rm = Room("rm");
    const int o = Object("obj");
    Place(rm, o, 100001);
    Unit("count_up", "push.v unspec.count\npush.d 1\nadd.d.v\npop.v.v unspec.count\npush.v unspec.count\n");
    Unit("other_read", "push.v other.count\n");
    Load();
    Start();
    CInstance* inst = Game().world->ActiveHead();
    ASSERT_NE(inst, nullptr);
    const int32_t count = Variable_Find("count");
    CValue global;
    EXPECT_EQ(RunUnit("count_up", inst).value.val, 1);
    EXPECT_EQ(RunUnit("count_up", inst).value.val, 2);
    EXPECT_EQ(RunUnit("other_read", inst).value.val, 2);
    EXPECT_FALSE(Game().globals->list->Find(count));
    Variable_DeclareGlobal(count);
    EXPECT_EQ(RunUnit("count_up", inst).value.val, 1);
    EXPECT_EQ(RunUnit("other_read", inst).value.val, 2);
    ASSERT_TRUE(Variable_GlobalGet(count, 0, global));
    EXPECT_EQ(global.val, 1);
}

}  // namespace
