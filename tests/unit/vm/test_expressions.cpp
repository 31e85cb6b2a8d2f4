// Stretches of code that compute one real from variables and constants run as one step
// when every operand holds a plain real. Each unit here runs that way and again under the
// instruction trace, which runs every instruction on its own: results, errors, stored
// variables and the index error flag must be the same both ways, including where an
// operand is no real and the step hands over to the instructions.
#include <cmath>
#include <cstring>
#include <map>

#include "object/game_fixture.h"
#include "platform/console.h"
#include "vm/program.h"

namespace {

class ExpressionTest : public GameTest {
protected:
    // A script whose code is a new unit "scr_NAME".
    void Script(const std::string& name, const std::string& text) {
        WScript s;
        s.name = "scr_" + name;
        s.code = WCodeRef::Index(Unit(s.name, text));
        desc.scripts.push_back(s);
    }

    struct Outcome {
        bool ok = false;
        bool error = false;
        bool indexError = false;
        std::string message;
        CValue value;
        CValue stored;  // self.u afterwards
    };

    Outcome RunUnit(const std::string& name, CInstance* self, bool plain) {
        Outcome o;
        int index = -1;
        for (size_t k = 0; k < res.code.entries.size(); ++k)
            if (res.code.entries[k].offset && name == data.Text(res.code.entries[k].nameOffset)) index = int(k);
        if (index < 0) {
            ADD_FAILURE() << "no unit " << name;
            return o;
        }
        Code_ResetErrors();
        Game().error.last.clear();
        Game().indexError = true;  // a read of a built-in or an argument clears it
        if (plain) {
            EXPECT_TRUE(Console().SetTarget(std::string(ZORVEX_TEST_TMP) + "/expression_trace.log"));
            VM_Settings().instructionTrace = true;
        }
        o.ok = VM_RunIndex(index, self, self, &o.value);
        VM_Settings().instructionTrace = false;
        Console().SetTarget("");
        o.error = Game().error.flag;
        o.message = Game().error.last;
        o.indexError = Game().indexError;
        Variable_GetByScope(kScopeSelf, Variable_Find("u"), 0, o.stored, VariableScope{self, self});
        return o;
    }

    static void ExpectSame(const Outcome& fused, const Outcome& plain) {
        EXPECT_EQ(fused.ok, plain.ok);
        EXPECT_EQ(fused.error, plain.error);
        EXPECT_EQ(fused.message, plain.message);
        EXPECT_EQ(fused.indexError, plain.indexError);
        for (auto [a, b] : {std::pair{&fused.value, &plain.value}, std::pair{&fused.stored, &plain.stored}}) {
            EXPECT_EQ(a->kind, b->kind);
            EXPECT_STREQ(a->Text(), b->Text());
            if (std::isnan(b->val)) EXPECT_TRUE(std::isnan(a->val));
            else EXPECT_EQ(a->val, b->val);
        }
    }
};

TEST_F(ExpressionTest, EveryShapeGivesWhatItsInstructionsGive) {
    const int rm = Room("rm");
    const int o = Object("obj");
    Place(rm, o, 100001, 5, 6);
    // Operands: reals a, b, z (zero), a text s, self.u, and the result local r.
    const std::string set = R"(
        push.d 7
        pop.v.d local.a
        push.d -3
        pop.v.d local.b
        push.d 0
        pop.v.d local.z
        push.s "t"
        conv.s.v
        pop.v.v local.s
        push.d 0
        pop.v.d local.r
        push.d 2.5
        pop.v.d self.u
    )";
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        // Stores into a local, self, and a variable named without a scope.
        {"store_local",
         "push.v local.a\npush.v local.b\nmul.v.v\npush.d 5\nmod.d.v\npush.v local.a\nadd.v.v\n"
         "pop.v.v local.r\npush.v local.r\n"},
        {"store_self", "push.v self.u\npush.v local.a\nsub.v.v\npush.d 2\ndiv.d.v\npop.v.v self.u\npush.v self.u\n"},
        {"store_builtin", "push.v self.x\npush.v local.a\nadd.v.v\npush.d 2\nmul.d.v\npop.v.v self.x\npush.v self.x\n"},
        {"store_read_only", "push.v local.a\npush.d 1\nadd.d.v\npush.d 2\nmul.d.v\npop.v.v self.id\npush.v self.id\n"},
        {"store_global",
         "push.d 4\npop.v.d global.g\npush.v global.g\npush.v local.a\nsub.v.v\npush.d 3\nmul.d.v\npop.v.v "
         "global.g\npush.v global.g\n"},
        // A local array's element at a local index k, stored and read; then read past
        // the array's end.
        {"store_element",
         "push.d 1\npop.v.d local.k\npush.d 0\npush.v local.k\nconv.v.i\npop.v.d local.e[]\n"
         "push.v local.a\npush.d 2\nmul.d.v\npush.v local.k\nconv.v.i\npop.v.v local.e[]\n"
         "push.v local.k\nconv.v.i\npush.v local.e[]\npush.d 1\nadd.d.v\n"},
        {"element_missing",
         "push.d 1\npop.v.d local.k\npush.d 0\npush.v local.k\nconv.v.i\npop.v.d local.e[]\n"
         "push.d 5\npop.v.d local.k\npush.v local.k\nconv.v.i\npush.v local.e[]\npush.d 1\nadd.d.v\n"},
        {"store_unqualified", "push.v unspec.u\npush.d 3\nmul.d.v\nneg.v\npop.v.v unspec.u\npush.v self.u\n"},
        // A built-in read (it clears the index error), negation, every operation
        // with a local on the right.
        {"builtin", "push.v self.x\npush.d 1\nadd.d.v\npush.v local.a\nmul.v.v\npop.v.v local.r\npush.v local.r\n"},
        {"negate", "push.v local.a\nneg.v\npush.v local.b\nsub.v.v\npop.v.v local.r\npush.v local.r\n"},
        {"local_right",
         "push.d 1\npush.v local.a\nadd.v.d\npush.v local.b\nsub.v.v\npush.v local.a\nmul.v.v\npush.v local.b\n"
         "div.v.v\npush.v local.a\nmod.v.v\npop.v.v local.r\npush.v local.r\n"},
        // Values left on the stack: a variable item, and a double item from constants.
        {"push_variable", "push.v local.a\npush.d 2\nmul.d.v\npush.d 1\nadd.d.v\n"},
        {"push_double", "push.d 7\npush.d 2\nmul.d.d\npush.d 0.5\nsub.d.d\n"},
        // Handing over: a text operand, a zero divisor, a variable never set, a store
        // over a text, a zero remainder divisor (NaN, no error).
        {"text_operand",
         "push.v local.s\npush.v local.a\nsub.v.v\npush.d 1\nadd.d.v\npop.v.v local.r\npush.v local.r\n"},
        {"zero_divisor",
         "push.v local.a\npush.v local.z\ndiv.v.v\npush.d 1\nadd.d.v\npop.v.v local.r\npush.v local.r\n"},
        {"never_set", "push.v local.q\npush.d 1\nadd.d.v\npush.d 2\nmul.d.v\npop.v.v local.r\npush.v local.r\n"},
        {"over_text", "push.v local.a\npush.d 1\nadd.d.v\npush.d 2\nmul.d.v\npop.v.v local.s\npush.v local.s\n"},
        {"zero_remainder",
         "push.v local.a\npush.v local.z\nmod.v.v\npush.d 1\nadd.d.v\npop.v.v local.r\npush.v local.r\n"},
    };
    std::vector<std::string> names;
    for (const Case& c : cases) {
        names.push_back(c.name);
        Unit(c.name, set + c.text);
    }
    // Branches on every comparison, below, at and above equality, with an argument
    // (which clears the index error) on the left.
    const char* compares[] = {"slt", "sle", "seq", "sne", "sge", "sgt"};
    for (const char* cmp : compares)
        for (int left : {2, 3, 4}) {
            names.push_back(std::string("branch_") + cmp + "_" + std::to_string(left));
            Script(names.back(), std::string("push.v self.argument0\npush.d 1\nadd.d.v\npush.v self.argument1\n") +
                                     "push.d 1\nadd.d.v\n" + cmp + ".v.v\nbf no\npush.d 1\nret.v\nno:\n" +
                                     "push.d 0\nret.v\n");
            Unit(names.back(), "push.d 3\nconv.d.v\npush.d " + std::to_string(left) + "\nconv.d.v\ncall.i scr_" +
                                   names.back() + " 2\n");
        }
    Load();
    Start();
    CInstance* inst = Game().world->ActiveHead();
    ASSERT_NE(inst, nullptr);
    Game().error.silent = true;
    int fused = 0;
    for (size_t k = 0; k < res.code.entries.size(); ++k)
        if (const VMProgram* p = VM_Program(int(k))) fused += int(p->exprs.size());
    EXPECT_GE(fused, int(std::size(cases) + std::size(compares) * 3));  // the shapes above are fused
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        inst->x = 1.5f;
        const Outcome a = RunUnit(name, inst, false);
        inst->x = 1.5f;
        const Outcome b = RunUnit(name, inst, true);
        ExpectSame(a, b);
    }
    Game().error.silent = false;
}

}  // namespace
