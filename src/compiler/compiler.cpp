// The compiler's entry: the three phases, then the generator, and the error texts.
#include "compiler/compiler.h"

#include "compiler/codegen.h"
#include "compiler/constants.h"
#include "compiler/interpreter.h"
#include "compiler/lexer.h"
#include "compiler/parser.h"
#include "data/game.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"

namespace {

std::string& LastError() {
    static std::string text;
    return text;
}

void DeleteTree(CNode* tree) { delete tree; }

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string Code_UnitName(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (IsWhiteSpace(c)) c = '_';
    return out;
}

std::string Code_FormatError(const std::string& text, int position, const std::string& message, bool expression) {
    const size_t at = std::min<size_t>(size_t(std::max(position, 0)), text.size());
    if (expression) return "Error in expression: " + text + "\n position " + std::to_string(at + 1) + ": " + message;
    size_t lineStart = 0;
    int line = 1;
    for (size_t i = 0; i < at; ++i)
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    size_t lineEnd = text.find_first_of("\r\n", lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    return "Error in code at line " + std::to_string(line) + ":\n   " + text.substr(lineStart, lineEnd - lineStart) +
           "\n\nat position " + std::to_string(at - lineStart + 1) + ": " + message;
}

const std::string& Code_LastCompileError() { return LastError(); }

bool Code_Compile(const std::string& text, const std::string& name, int kind, CCode& code, std::string& error) {
    if (code.compiled) {
        error = LastError() = "Internal Error: Recompiling compiled code.";
        return false;
    }
    Variable_RegisterBuiltins();
    Function_RegisterAll();
    Constant_RegisterAll();

    code.name = Code_UnitName(name);
    code.source = text;
    const bool expression = kind != CCode::kProgram;
    std::vector<CToken> tokens;
    std::unique_ptr<CNode> tree;
    std::string message;
    int position = 0;
    bool ok = Lex_Text(text, tokens, message, position) && Parse_Classify(tokens, message, position) &&
              (expression ? Parse_Expression(tokens, tree, message, position)
                          : Parse_Program(tokens, tree, message, position));
    if (ok && expression && tree->kind == kTokConstant) {
        code.kind = CCode::kConstant;
        code.constant = tree->value;
    } else if (ok) {
        code.kind = expression ? CCode::kExpression : CCode::kProgram;
        ok = Gen_Emit(*tree, code.kind, code, message, position);
    }
    if (!ok) {
        error = LastError() = Code_FormatError(text, position, message, expression);
        code.buffer.Clear();
        code.strings.clear();
        code.debug = {};
        code.kind = kind;
        return false;
    }
    code.tree = TCodeTree(tree.release(), TCodeTreeDeleter{DeleteTree});
    // A unit with a tree can be run by the tree interpreter from now on.
    VM_SetTreeRunner(Code_Interpret);
    code.debug.source = text;
    code.compiled = true;
    return true;
}

bool Code_CompileUnit(CCode& code, int kind, std::string& error) {
    const std::string text = code.source;
    const std::string name = code.name;
    return Code_Compile(text, name, kind, code, error);
}

std::string Code_Listing(const CCode& code) {
    if (!code.FromText() || code.kind == CCode::kConstant) return std::string();
    static const CGameData noData;
    static const CGameResources noResources;
    const CGameData* data = &Game().data;
    const CGameResources* res = &*Game().resources;
    return VM_Listing(data ? *data : noData, res ? *res : noResources, code.buffer.data, code.buffer.size,
                      &code.strings);
}
