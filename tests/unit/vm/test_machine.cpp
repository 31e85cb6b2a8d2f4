// The machine on assembled units: control flow, the stack, calls, with-blocks, errors.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "data/game.h"
#include "platform/console.h"
#include "vm/machine_fixture.h"

namespace {

TEST_F(MachineTest, LoopsBranchesAndResults) {
    Unit("sum", R"(
        push.i 0
        pop.v.i local.sum
        push.i 1
        pop.v.i local.i
    loop:
        push.v local.i
        push.i 10
        sle.i.v
        bf end
        push.v local.sum
        push.v local.i
        add.v.v
        pop.v.v local.sum
        push.v local.i
        push.i 1
        add.i.v
        pop.v.v local.i
        b loop
    end:
        push.v local.sum
        exit.i
    )");
    // A branch to itself: each bt takes a bool, jumps back to itself while true.
    Unit("self_branch", R"(
        push.b false
        push.b true
        push.b true
    here:
        bt here
        push.i 7
    )");
    Unit("several", "push.i 1\npush.i 2\npush.d 3.5\n");
    Unit("empty", "");
    Load();
    EXPECT_EQ(Run("sum").val, 55);
    EXPECT_EQ(Run("self_branch").val, 7);
    EXPECT_EQ(Run("several").val, 3.5);
    CValue untouched(9.0);
    VM_RunIndex(3, nullptr, nullptr, &untouched);
    EXPECT_EQ(untouched.val, 9.0);  // a unit of length 0 leaves the result alone
    EXPECT_FALSE(Code_EndingOnError());
}

TEST_F(MachineTest, DupAndPopzOfEveryType) {
    struct Case {
        const char* text;
        double real;
        const char* str;
    } cases[] = {
        {"push.d 1.5\ndup.d\nadd.d.d", 3.0, nullptr},
        {"push.i 20\ndup.i\nmul.i.i", 400, nullptr},
        {"push.l 5\ndup.l\nconv.l.d\nswap_placeholder", 0, nullptr},
        {"push.f 2.5\ndup.f\npopz.f\nconv.f.v", 2.5, nullptr},
        {"push.b true\ndup.b\nand.b.b\nconv.b.d", 1, nullptr},
        {"push.s \"ab\"\ndup.s\nadd.s.s", 0, "abab"},
        {"push.s \"x\"\nconv.s.v\ndup.v\nadd.v.v", 0, "xx"},
        {"push.i 3\npush.s \"gone\"\npopz.s", 3, nullptr},
        {"push.i 4\npush.s \"t\"\nconv.s.v\npopz.v", 4, nullptr},
        {"push.i 6\npush.d 1\npopz.d", 6, nullptr},
        {"push.i 8\npush.l 1\npopz.l", 8, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string text = c.text;
        if (text.find("swap_placeholder") != std::string::npos) text = "push.l 5\ndup.l\npopz.l\nconv.l.d";
        Unit("u" + std::to_string(n++), text);
    }
    Load();
    for (int i = 0; i < n; ++i) {
        CValue r = Run("u" + std::to_string(i));
        if (cases[i].str) {
            ASSERT_TRUE(r.IsString()) << cases[i].text;
            EXPECT_STREQ(r.Text(), cases[i].str) << cases[i].text;
        } else {
            ASSERT_TRUE(r.IsReal()) << cases[i].text;
            EXPECT_EQ(r.val, i == 2 ? 5 : cases[i].real) << cases[i].text;
        }
    }
}

TEST_F(MachineTest, ScriptCallsSaveAndRestoreArguments) {
    Script("add3", R"(
        push.v self.argument0
        push.v self.argument1
        add.v.v
        push.v self.argument_count
        add.v.v
        push.v self.argument2
        add.v.v
        ret.v
    )");
    Script("outer", R"(
        push.d 5
        conv.d.v
        push.d 10
        conv.d.v
        call.i add3 2
        push.v self.argument0
        add.v.v
        push.v self.argument_count
        add.v.v
        ret.v
    )");
    Unit("main", R"(
        push.d 1000
        conv.d.v
        call.i outer 1
    )");
    Load();
    // add3(10, 5) = 10 + 5 + 2 + 0; outer adds its own argument0 (1000) and count (1).
    EXPECT_EQ(Run("main").val, 17 + 1000 + 1);
    EXPECT_EQ(Game().arguments.count, 0);
}

TEST_F(MachineTest, RecursionKeepsSeparateLocals) {
    Script("fact", R"(
        push.v self.argument0
        pop.v.v local.n
        push.v local.n
        push.d 1
        sle.d.v
        bf recurse
        push.d 1
        conv.d.v
        ret.v
    recurse:
        push.v local.n
        push.d 1
        sub.d.v
        call.i fact 1
        push.v local.n
        mul.v.v
        ret.v
    )");
    Unit("main", "push.d 10\nconv.d.v\ncall.i fact 1\n");
    Script("no_return", "push.d 4\npop.v.d global.touched\n");
    Unit("implicit", "call.i no_return 0\n");
    Load();
    EXPECT_EQ(Run("main").val, 3628800);
    CValue r = Run("implicit");
    EXPECT_TRUE(r.IsReal());
    EXPECT_EQ(r.val, 0);  // the end of a script returns the real 0
    EXPECT_EQ(Global("touched"), 4);
}

// Each call starts with no locals of its own, and the caller's stay as they were; a
// local read before its first store, then stored, reads the stored value next time.
TEST_F(MachineTest, LocalsFreshPerCallAndVisibleOnceStored) {
    Script("accumulate", R"(
        push.v local.n
        push.v self.argument0
        add.v.v
        pop.v.v local.n
        push.v local.n
        ret.v
    )");
    Unit("calls", R"(
        push.d 5
        pop.v.d local.n
        push.d 10
        conv.d.v
        call.i accumulate 1
        popz.v
        push.d 20
        conv.d.v
        call.i accumulate 1
        push.v local.n
        add.v.v
    )");
    Unit("loop", R"(
        push.d 0
        pop.v.d local.i
    loop:
        push.v local.i
        push.d 3
        slt.d.v
        bf end
        push.v local.x
        push.d 2
        add.d.v
        pop.v.v local.x
        push.v local.i
        push.d 1
        add.d.v
        pop.v.v local.i
        b loop
    end:
        push.v local.x
    )");
    Load();
    EXPECT_EQ(Run("calls").val, 20 + 5);
    EXPECT_EQ(Run("loop").val, 6);
    EXPECT_FALSE(Code_EndingOnError());
}

TEST_F(MachineTest, DeepRecursionOverflowsTheStack) {
    Script("deep", R"(
        push.v global.depth
        push.d 1
        add.d.v
        pop.v.v global.depth
        call.i deep 0
        popz.v
    )");
    Unit("main", "call.i deep 0\npopz.v\n");
    Load();
    Run("main");
    EXPECT_TRUE(Code_EndingOnError());
    EXPECT_NE(Game().error.last.find("VMError!! Occurred - Stack overflow..."), std::string::npos) << Game().error.last;
    // 304 bytes per call record: the 428th would pass 130032 bytes (the region less the
    // 1024-byte margin and the 16 bytes above the stack pointer), so 427 levels run.
    EXPECT_EQ(Global("depth"), 427);
    EXPECT_NE(Game().error.last.find("called from - deep (line 0)"), std::string::npos);
}

// A loop whose pops are declared narrower than what it pushes: the stack use the
// machine counts creeps up by 12 bytes a pass, so the region grows step by step and
// the overflow comes at one exact pass, also inside a called script.
TEST_F(MachineTest, StackUseCreepingInALoopOverflowsAtTheSamePass) {
    const char* creep = R"(
    top:
        push.v global.count
        push.d 1
        add.d.v
        pop.v.v global.count
        push.v global.count
        pop.v.i global.last
        b top
    )";
    Unit("creep", creep);
    Script("creep_script", creep);
    Unit("caller", "push.d 5\npop.v.d global.before\ncall.i creep_script 0\npopz.v\n");
    Load();
    for (const char* unit : {"creep", "caller"}) {
        Code_ResetErrors();
        Game().globals->list->Clear();
        Run(unit);
        EXPECT_TRUE(Code_EndingOnError()) << unit;
        EXPECT_NE(Game().error.last.find("VMError!! Occurred - Stack overflow..."), std::string::npos) << unit;
        EXPECT_EQ(Global("count"), std::string(unit) == "creep" ? 10835 : 10809) << unit;
    }
}

// with over each kind of target; the body logs self.tag into global.log.
TEST_F(MachineTest, WithVisitsItsTargets) {
    const char* body = R"(
        pushenv end
    body:
        push.v global.log
        push.v self.tag
        add.v.v
        pop.v.v global.log
    end:
        popenv body
        push.v global.log
        push.v self.tag
        add.v.v
        push.v other.tag
        add.v.v
        pop.v.v global.log
    )";
    struct Case {
        const char* target;
        const char* log;  // the visits, then self and other after the block
    } cases[] = {
        {"push.i -1", "SSO"},     {"push.i -2", "OSO"},
        {"push.i -4", "SO"},      {"push.i -3", "SABCDSO"},  // four instances: D first? no: list form, see below
        {"push.i 0", "DBASO"},                               // three of object 0: the last first, then backwards
        {"push.i 1", "CSO"},                                 // one instance
        {"push.i 2", "EFSO"},                                // two instances: A then B
        {"push.i 3", "SO"},                                  // an object without instances
        {"push.i 77", "SO"},                                 // no such object
        {"push.i 100003", "CSO"},                            // an instance id
        {"push.i 100099", "SO"},                             // a missing instance
    };
    // "all" over S, A, B, C, D, E, F, O: more than two, so the last first and backwards.
    cases[3].log = "OFEDCBASSO";
    int n = 0;
    for (const Case& c : cases) Unit("w" + std::to_string(n++), std::string(c.target) + "\n" + body);
    desc.objects.resize(4, WObject{});
    Load();

    // One depth for all: the room keeps them in the order they are placed.
    CRoom room;
    Game().world->room = &room;
    auto make = [&](int id, int object, const char* tag) {
        CInstance* inst = Instance_Place(room, 0, 0, object, id);
        inst->variables->Set(Variable_Find("tag"), 0, CValue(std::string_view(tag)));
        return inst;
    };
    CInstance* self = make(100010, 9, "S");
    make(100001, 0, "A");
    make(100002, 0, "B");
    make(100003, 1, "C");
    make(100004, 0, "D");
    make(100005, 2, "E");
    make(100006, 2, "F");
    CInstance* other = make(100011, 9, "O");
    CInstance* marked = make(100012, 0, "M");
    marked->marked = true;

    for (int i = 0; i < n; ++i) {
        Variable_GlobalSet(Variable_Find("log"), 0, CValue(std::string_view("")));
        Run("w" + std::to_string(i), self, other);
        CValue log;
        Variable_GlobalGet(Variable_Find("log"), 0, log);
        EXPECT_STREQ(log.Text(), cases[i].log) << cases[i].target;
    }
    EXPECT_FALSE(Code_EndingOnError()) << Game().error.last;
}

TEST_F(MachineTest, BreakOutOfWithRestoresSelfAndOther) {
    Unit("brk", R"(
        push.i 0
        pushenv end
    body:
        push.v global.log
        push.v self.tag
        add.v.v
        pop.v.v global.log
        popenv.break
        b after
    end:
        popenv body
    after:
        push.v global.log
        push.v self.tag
        add.v.v
        pop.v.v global.log
    )");
    Unit("global_with", "push.i -5\npushenv e\nb: \ne:\npopenv b\n");
    Unit("local_with", "push.i -7\npushenv e\nb: \ne:\npopenv b\n");
    desc.objects.resize(1, WObject{});
    Load();
    CRoom room;
    Game().world->room = &room;
    CInstance* s = Instance_Place(room, 0, 0, 5, 100001);
    const std::pair<CInstance*, const char*> tagged[] = {{s, "S"},
                                                         {Instance_Place(room, 0, 0, 0, 100002), "A"},
                                                         {Instance_Place(room, 0, 0, 0, 100003), "B"},
                                                         {Instance_Place(room, 0, 0, 0, 100004), "C"}};
    for (auto [inst, tag] : tagged) inst->variables->Set(Variable_Find("tag"), 0, CValue(std::string_view(tag)));
    Variable_GlobalSet(Variable_Find("log"), 0, CValue(std::string_view("")));
    Run("brk", s, nullptr);
    CValue log;
    Variable_GlobalGet(Variable_Find("log"), 0, log);
    EXPECT_STREQ(log.Text(), "CS");
    Run("global_with");
    EXPECT_NE(Game().error.last.find("Cannot use global in with statement"), std::string::npos);
    Code_ResetErrors();
    Run("local_with");
    EXPECT_NE(Game().error.last.find("Cannot use local in with statement"), std::string::npos);
}

TEST_F(MachineTest, ErrorReportNamesTheScriptAndItsCaller) {
    Script("scr_bad", "push.d 1\npop.v.d local.kept\npush.s \"a\"\npush.d 1\nsub.d.s\nret.v\n");
    Unit("ev_create", "push.d 2\npop.v.d global.g\npush.i 0\npop.v.i local.mine\ncall.i scr_bad 0\npopz.v\n");
    // Debug info: each unit's source, with positions for its instructions.
    DebugInfoDesc dbg;
    dbg.entries.resize(2);
    dbg.entries[0] = WDebugEntry{{{0, 0}, {12, 13}}, "local.kept=1\nx = \"a\" - 1;\nreturn x"};
    dbg.entries[1] = WDebugEntry{{{0, 0}, {24, 8}}, "g = 2;\r\nscr_bad();"};
    Load();
    std::string error;
    CGameData debugData(DebugInfo_Write(dbg, &error));
    ASSERT_TRUE(DataFile_DebugInfoPass(debugData, game->res, error)) << error;
    Run("ev_create");
    ASSERT_TRUE(Code_EndingOnError());
    const std::string& text = Game().error.last;
    const std::string hashes(92, '#');
    const std::string expected =
        "FATAL ERROR in\naction number 1\nof <unknown event>\nfor object <undefined>:\n\n\n" + hashes + "\n" +
        "VMError!! Occurred - DoSub :: Execution Engine - Cannot operate on string type at scr_bad (line 1) - "
        "x = \"a\" - 1;\n" +
        hashes + "\n" + hashes + "\nLocal Variables : \nkept = 1\n" + "Global Variables : \ng = 2\n" +
        "stack frame is\nscr_bad (line 0)\ncalled from - ev_create (line 1) - scr_bad();\nmine = 0\n";
    EXPECT_EQ(text, expected);
}

TEST_F(MachineTest, VariableErrors) {
    Unit("unset", "push.v self.never_set\n");
    Unit("index", "push.i 1\npop.v.i local.a\npush.i 5\npush.v local.a[]\n");
    Unit("readonly", "push.d 1\npop.v.d self.argument_count\n");
    Load();
    CInstance self(100001, 0);
    Run("unset", &self);
    EXPECT_FALSE(Code_EndingOnError());  // unset variables read as 0 with the option on
    Variable_SetUnsetIsZero(false);
    Run("unset", &self);
    EXPECT_NE(Game().error.last.find("Push :: Execution Error - Variable Get never_set"), std::string::npos);
    Code_ResetErrors();
    Run("index", &self);
    EXPECT_NE(Game().error.last.find("Push :: Execution Error - Variable Index out of range a"), std::string::npos);
    Code_ResetErrors();
    Run("readonly", &self);
    EXPECT_NE(Game().error.last.find("Pop :: Execution Error - Variable set problem argument_count"),
              std::string::npos);
}

TEST_F(MachineTest, LinkingFindsScriptsFirstAndRefusesUnknownFunctions) {
    Script("show_debug_message", "push.s \"shadowed\"\nconv.s.v\nret.v\n");
    Unit("main", "push.s \"hi\"\nconv.s.v\ncall.i show_debug_message 1\n");
    Unit("uses",
         "push.i 1\npop.v.i local.v\npush.v local.v\npush.v local.v\nadd.v.v\npop.v.v local.v\npush.v local.v\n");
    // Chains written against the code order.
    for (auto& v : desc.variables) std::reverse(v.refs.begin(), v.refs.end());
    Load();
    ASSERT_TRUE(game->ok) << game->error;
    testing::internal::CaptureStdout();
    CValue r = Run("main");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(r.Text(), "shadowed");
    EXPECT_EQ(Run("uses").val, 2);

    desc = GameDataDesc{};
    Unit("bad", "call.i no_such_function 0\n");
    EXPECT_FALSE(Load().ok);
    EXPECT_EQ(game->error, "Error on load\nUnable to find function no_such_function\n");
}

TEST_F(MachineTest, BuiltinCallsAndStdout) {
    Unit("main", R"(
        push.s "text"
        conv.s.v
        call.i show_debug_message 1
        popz.v
        push.d 3.14159
        conv.d.v
        call.i show_debug_message 1
        popz.v
        push.d 1
        conv.d.v
        push.d 0
        conv.d.v
        call.i script_execute 2
    )");
    Script("s0", "push.v self.argument0\npush.d 2\nmul.d.v\nret.v\n");
    Load();
    testing::internal::CaptureStdout();
    CValue r = Run("main");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "text\n3.14\n");
    EXPECT_EQ(r.val, 2);
}

}  // namespace

namespace {

TEST_F(MachineTest, CallTraceNamesRunsAndCalls) {
    Script("scr_inner", "push.i 1\nconv.i.v\nret.v\n");
    Unit("traced", "call.i scr_inner 0\npopz.v\npush.s \"x\"\nconv.s.v\ncall.i show_debug_message 1\npopz.v\n");
    Load();
    std::string log = std::string(ZORVEX_TEST_TMP) + "/trace.log";
    ASSERT_TRUE(Console().SetTarget(log));
    VM_Settings().callTrace = true;
    testing::internal::CaptureStdout();
    Run("traced");
    testing::internal::GetCapturedStdout();
    VM_Settings().callTrace = false;
    Console().SetTarget("");
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "script = traced\nscript call = scr_inner\nfunc call = show_debug_message\n");
}

}  // namespace

// Every arithmetic operation in each of the shapes the machine runs as one step (a local
// and a constant, two locals, a constant on the item below, a result stored into a
// local), with the same operands: each shape must give the operation's own result.
TEST_F(MachineTest, ArithmeticGivesTheSameResultInEveryShape) {
    struct Op {
        const char* name;
        double result;  // of 7 OP -3
    };
    const Op ops[] = {{"add", 4}, {"sub", 10}, {"mul", -21}, {"div", 7.0 / -3.0}, {"mod", 1}};
    // (The result's local exists beforehand: a store creating it takes the general way.)
    const std::string locals = "push.d 7\npop.v.d local.a\npush.d -3\npop.v.d local.b\npush.d 0\npop.v.d local.r\n";
    const char* shapes[] = {
        "push.v local.a\npush.d -3\n%s.d.v\n",
        "push.v local.a\npush.v local.b\n%s.v.v\n",
        "push.d 7\nconv.d.v\npush.d -3\n%s.d.v\n",
        "push.v local.a\npush.i -3\n%s.i.v\npop.v.v local.r\npush.v local.r\n",
        "push.v local.a\npush.d -3\n%s.d.v\npop.v.v local.r\npush.v local.r\n",
    };
    std::vector<std::string> texts;
    for (const Op& op : ops)
        for (const char* shape : shapes) {
            char body[256];
            std::snprintf(body, sizeof body, shape, op.name);
            texts.push_back(locals + body);
            Unit("case" + std::to_string(texts.size() - 1), texts.back());
        }
    Load();
    for (size_t i = 0; i < texts.size(); ++i) {
        CValue v = Run("case" + std::to_string(i));
        EXPECT_TRUE(v.IsReal()) << texts[i];
        EXPECT_EQ(v.val, ops[i / std::size(shapes)].result) << texts[i];
    }
    EXPECT_FALSE(Code_EndingOnError());
}

// Every comparison branching on a local and a constant, and on two locals, on each side of
// equality: each must branch by its own rule.
TEST_F(MachineTest, ComparisonsBranchByTheirOwnRule) {
    struct Cmp {
        const char* name;
        bool below, equal, above;  // the comparison's truth for 2 ? 3, 3 ? 3 and 4 ? 3
    };
    const Cmp cmps[] = {{"slt", true, false, false}, {"sle", true, true, false}, {"seq", false, true, false},
                        {"sne", true, false, true},  {"sge", false, true, true}, {"sgt", false, false, true}};
    const char* shapes[] = {"push.v local.a\npush.d 3\n%s.d.v\n", "push.v local.a\npush.v local.b\n%s.v.v\n"};
    const int lefts[] = {2, 3, 4};
    struct Case {
        std::string text;
        bool truth;
    };
    std::vector<Case> cases;
    for (const Cmp& cmp : cmps)
        for (const char* shape : shapes)
            for (int k = 0; k < 3; ++k) {
                char compare[128];
                std::snprintf(compare, sizeof compare, shape, cmp.name);
                const std::string text = "push.d " + std::to_string(lefts[k]) +
                                         "\npop.v.d local.a\npush.d 3\npop.v.d local.b\n" + compare +
                                         "bf no\npush.d 1\nb out\nno:\npush.d 0\nout:\nconv.d.v\n";
                cases.push_back({text, k == 0 ? cmp.below : k == 1 ? cmp.equal : cmp.above});
                Unit("case" + std::to_string(cases.size() - 1), text);
            }
    Load();
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(Run("case" + std::to_string(i)).val, cases[i].truth ? 1.0 : 0.0) << cases[i].text;
    EXPECT_FALSE(Code_EndingOnError());
}

TEST_F(MachineTest, RealsToIntsRemaindersAndArgumentReads) {
    struct Case {
        const char* text;
        double real;
        bool negative;    // sign of the real (tells -0 from 0)
        const char* str;  // a text result instead
    };
    const Case cases[] = {
        // Indices and scopes: truncated toward zero, out of range gives the smallest int.
        {"push.d 3.7\nconv.d.i\nconv.i.d", 3, false, nullptr},
        {"push.d -3.7\nconv.d.i\nconv.i.d", -3, true, nullptr},
        {"push.d 30000000000\nconv.d.i\nconv.i.d", -2147483648.0, true, nullptr},
        {"push.d 2.9\nconv.d.v\nconv.v.i\nconv.i.d", 2, false, nullptr},
        {"push.s \"12\"\nconv.s.v\nconv.v.i\nconv.i.d", 12, false, nullptr},
        // Remainders keep the left operand's sign, a zero result included.
        {"push.d -6\nconv.d.v\npush.d 3\nmod.d.v", 0, true, nullptr},
        {"push.d 6\nconv.d.v\npush.d -3\nmod.d.v", 0, false, nullptr},
        {"push.d 7\nconv.d.v\npush.d -3\nmod.d.v", 1, false, nullptr},
        {"push.d -7\nconv.d.v\npush.i 3\nmod.i.v", -1, true, nullptr},
        {"push.d 7.5\nconv.d.v\npush.d 2\nmod.d.v", 1.5, false, nullptr},
        // Script arguments, real or text, read back as they were passed.
        {"push.d 4.25\nconv.d.v\ncall.i echo 1", 4.25, false, nullptr},
        {"push.s \"hi\"\nconv.s.v\ncall.i echo 1", 0, false, "hi"},
        {"call.i echo 0", 0, false, nullptr},
    };
    Script("echo", "push.v self.argument0\nret.v\n");
    for (size_t i = 0; i < std::size(cases); ++i) Unit("case" + std::to_string(i), cases[i].text);
    Unit("by_zero", "push.d 7\nconv.d.v\npush.i 0\nmod.i.v");
    Load();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        CValue v = Run("case" + std::to_string(i));
        if (c.str) {
            EXPECT_STREQ(v.Text(), c.str) << c.text;
            continue;
        }
        EXPECT_TRUE(v.IsReal()) << c.text;
        EXPECT_EQ(v.val, c.real) << c.text;
        EXPECT_EQ(std::signbit(v.val), c.negative) << c.text;
    }
    // A remainder by zero is NaN, not an error.
    EXPECT_TRUE(std::isnan(Run("by_zero").val));
    EXPECT_FALSE(Code_EndingOnError());
}
