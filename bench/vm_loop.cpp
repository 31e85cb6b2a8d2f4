// zorvex-bench-vm [N]: times the machine on assembled loops and prints nanoseconds per
// instruction. The loops are the shapes games run most: local counters, arithmetic on
// reals, comparisons and branches, and a built-in call.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/game.h"
#include "function/function_names.h"
#include "load/data_file.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/assembler.h"
#include "writer/writer.h"

namespace {

struct Bench {
    const char* name;
    const char* text;
    int instructionsPerIteration;
};

// Sums 1..N in a local: 13 instructions per iteration.
const char* kSumLoop = R"(
    push.d 0
    pop.v.d local.sum
    push.d 1
    pop.v.d local.i
loop:
    push.v local.i
    push.v global.n
    sle.v.v
    bf end
    push.v local.sum
    push.v local.i
    add.v.v
    pop.v.v local.sum
    push.v local.i
    push.d 1
    add.d.v
    pop.v.v local.i
    b loop
end:
    push.v local.sum
)";

// The same loop on self (instance) variables.
const char* kSelfLoop = R"(
    push.d 0
    pop.v.d self.sum
    push.d 1
    pop.v.d self.i
loop:
    push.v self.i
    push.v global.n
    sle.v.v
    bf end
    push.v self.sum
    push.v self.i
    add.v.v
    pop.v.v self.sum
    push.v self.i
    push.d 1
    add.d.v
    pop.v.v self.i
    b loop
end:
    push.v self.sum
)";

}  // namespace

#include "object/instance.h"
#include "variable/variable_list.h"

int main(int argc, char** argv) {
    double n = argc > 1 ? std::atof(argv[1]) : 10000000;
    Variable_RegisterBuiltins();
    Function_InstallNames();
    Function_RegisterAll();
    Variable_StartGlobals();
    GameDataDesc desc;
    desc.general.gameName = "bench";
    std::string error;
    const Bench benches[] = {{"sum 1..N in locals", kSumLoop, 13}, {"sum 1..N in self", kSelfLoop, 13}};
    for (const Bench& b : benches)
        if (!Asm_Assemble(desc, b.name, b.text, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    data = CGameData(DataFile_Write(desc, &error));
    if (!DataFile_HeaderPass(data, res, error) || !VM_LinkVariables(data, res, error) ||
        !DataFile_MainPass(data, res, error) || !VM_LinkFunctions(data, res, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Variable_GlobalSet(Variable_Find("n"), 0, CValue(n));
    CInstance self(100001, 0);
    for (size_t i = 0; i < std::size(benches); ++i) {
        CValue result;
        auto start = std::chrono::steady_clock::now();
        VM_RunIndex(int(i), &self, nullptr, &result);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        double instructions = n * benches[i].instructionsPerIteration;
        std::printf("%-22s result %.0f  %.3f s  %.2f ns/instruction\n", benches[i].name, result.val, seconds,
                    seconds * 1e9 / instructions);
    }
    return 0;
}
