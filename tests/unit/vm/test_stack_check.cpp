// The stack check a unit passes before it may run: depths along every path, joins,
// branch targets; and a data file holding a damaged unit refused at load.
#include <gtest/gtest.h>

#include "support/process.h"
#include "vm/program.h"
#include "writer/assembler.h"
#include "writer/writer.h"

namespace {

struct StackCase {
    const char* name;
    const char* text;
    int64_t fault;  // byte offset of the instruction refused, -1 when sound
};

const StackCase kStackCases[] = {
    {"straight line", "push.i 1\npush.d 2\nadd.d.i\npop.v.d self.x\n", -1},
    {"array and stack scope", "push.i 3\npush.i -1\npush.i 0\npush.v stack.a[]\npop.v.v global.b\n", -1},
    {"array write", "push.i 7\npush.i 2\npop.v.i self.a[]\n", -1},
    {"dup, conv, compare, unary", "push.i 1\ndup.i\nconv.i.d\nneg.d\nseq.d.i\nnot.b\npopz.b\n", -1},
    {"call takes its arguments", "push.i 1\npush.i 2\ncall.i max 2\npopz.v\ncall.i random 0\nret.v\n", -1},
    // while (x < 10) x += 1
    {"loop",
     "top:\npush.v self.x\npush.i 10\nslt.i.v\nbf out\npush.v self.x\npush.i 1\nadd.i.v\n"
     "pop.v.v self.x\nb top\nout:\n",
     -1},
    // repeat (3): the counter stays on the stack across the loop
    {"repeat keeps its counter",
     "push.i 3\ntop:\ndup.i\npush.i 0\nsgt.i.i\nbf out\npush.i 1\nsub.i.i\nb top\n"
     "out:\npopz.i\n",
     -1},
    {"with block", "push.i -3\npushenv end\nbody:\npush.i 1\npop.v.i self.x\nend:\npopenv body\n", -1},
    {"with block left early",
     "push.i 0\npushenv end\nbody:\npopenv.break\nb after\nend:\npopenv body\n"
     "after:\npush.i 1\npopz.i\n",
     -1},
    {"exit and unreachable code", "exit.i\npopz.v\npopz.v\n", -1},
    {"branch to the end", "push.b true\nbt end\npush.i 1\npopz.i\nend:\n", -1},
    {"pop on an empty stack", "pop.v.v self.x\n", 0},
    {"array index missing", "push.i 1\npop.v.i self.a[]\n", 8},
    {"binary on one item", "push.i 1\nadd.i.i\n", 8},
    {"call short of arguments", "push.i 1\ncall.i max 2\n", 8},
    {"popz on an empty stack", "push.i 1\npopz.i\npopz.i\n", 12},
    {"dup on an empty stack", "dup.i\n", 0},
    {"pushenv without its target", "pushenv end\nbody:\nend:\npopenv body\n", 0},
    // one arm pushes, the other does not: they meet with different depths
    {"unbalanced join", "push.b true\nbt other\npush.i 1\nother:\npopz.v\n", 12},
    {"loop that grows the stack", "top:\npush.i 1\nb top\n", 8},
    {"branch past the end", "b 5\n", 0},
    {"branch before the start", "push.b true\nbf -3\n", 8},
};

TEST(StackCheck, AcceptsSoundUnitsAndFindsTheFault) {
    for (const StackCase& c : kStackCases) {
        GameDataDesc desc;
        std::string error;
        ASSERT_TRUE(Asm_Assemble(desc, "unit", c.text, error)) << c.name << ": " << error;
        const std::vector<uint8_t>& code = desc.code.back()->bytecode;
        EXPECT_EQ(VM_CheckStack(code.data(), uint32_t(code.size())), c.fault) << c.name;
    }
}

TEST(StackCheck, DamagedUnitEndsTheLoad) {
    const std::string dir = TestDirectory("StackCheckDamagedUnit");
    GameDataDesc d = DataFile_SampleGame();
    std::string error;
    ASSERT_TRUE(Asm_Assemble(d, "damaged", "push.i 1\npush.i 2\npop.v.i self.a[]\npop.v.v self.b\n", error)) << error;
    const std::string bad = WriteFile(dir + "/damaged.win", DataFile_Write(d));
    ProcessResult p = RunProgram("zorvex", {"--headless", "-game", bad, "--frames", "1"});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_EQ(p.err.rfind("Corrupt game data: CODE entry ", 0), 0u) << p.err;
    EXPECT_NE(p.err.find(": code damaged: the stack does not balance at the instruction at 0x18\n"), std::string::npos)
        << p.err;
}

}  // namespace
