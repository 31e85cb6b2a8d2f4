// Script text through the compiler: lexer, constants, parser and code generator, and the
// generated code through the machine's decoder. The first byte chooses a program or an
// expression.
#include <cstdint>
#include <string>

#include "compiler/compiler.h"
#include "data/game.h"
#include "fuzz_setup.h"
#include "vm/code.h"
#include "vm/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0) return 0;
    Fuzz_RegisterEngine();
    CGameSession session;
    const int kind = (bytes[0] & 1) ? CCode::kExpression : CCode::kProgram;
    const std::string text(reinterpret_cast<const char*>(bytes + 1), size - 1);
    CCode code;
    std::string error;
    if (Code_Compile(text, "fuzz", kind, code, error)) (void)VM_CodeProgram(code);
    return 0;
}
