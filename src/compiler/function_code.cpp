// execute_string (text, arguments...) and execute_file (file name, arguments...).
// Each call compiles its text as a fresh program unit "Execute.%d" and runs it for the
// caller's self and other, with the further arguments in the argument slots; the
// slots are the caller's again afterwards, whatever happened.
#include "compiler/function_code.h"
#include "data/game.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "data/error.h"
#include "io/file_paths.h"
#include "platform/file.h"
#include "value/args.h"
#include "variable/variables.h"
#include "vm/code.h"
#include "vm/machine.h"

namespace {

int g_executeCounter = 0;

void ExecuteText(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args, const std::string& text,
                 const char* heading) {
    CValue* slots = Game().arguments.slots;
    CValue saved[kArgumentSlotCount];
    for (int k = 0; k < kArgumentSlotCount; ++k) saved[k] = slots[k];
    // The first argument counts towards the sixteen, so fifteen at most follow it.
    const int passed = std::min(argc, kArgumentSlotCount) - 1;
    for (int k = 0; k < passed; ++k) slots[k] = Arg_Value(argc, args, k + 1);
    Game().arguments.live = kArgumentSlotCount;

    CCode code;
    std::string error;
    const std::string name = "Execute." + std::to_string(g_executeCounter++);
    if (Code_Compile(text, name, CCode::kProgram, code, error)) {
        CValue value;
        Code_Execute(self, other, &code, &value);
        result = std::move(value);
    } else {
        Code_ShowError(heading + error, false);
    }
    for (int k = 0; k < kArgumentSlotCount; ++k) slots[k] = std::move(saved[k]);
    Game().arguments.live = kArgumentSlotCount;
}

void F_ExecuteString(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    const std::string text = Arg_CText(argc, args, 0);
    ExecuteText(result, self, other, argc, args, text, "COMPILATION ERROR in string to be executed\n");
}

void F_ExecuteFile(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    const std::string file = Arg_CText(argc, args, 0);
    std::vector<uint8_t> bytes;
    std::string error;
    // Found where the file functions find it: the save area first, then the game's folder.
    if (!File_ReadWhole(FilePaths_Resolve(file), bytes, error)) {
        Code_ShowError("COMPILATION ERROR in file to be executed\nCannot read the file " + file, false);
        return;
    }
    const std::string text(bytes.begin(), bytes.end());
    ExecuteText(result, self, other, argc, args, text, "COMPILATION ERROR in file to be executed\n");
}

}  // namespace

extern const FunctionImpl kCodeFunctions[] = {
    {"execute_string", F_ExecuteString},
    {"execute_file", F_ExecuteFile},
};
extern const size_t kCodeFunctionCount = std::size(kCodeFunctions);
