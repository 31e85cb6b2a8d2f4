// The tree interpreter. It evaluates the parse tree the code generator compiles, and
// follows the generator's choices wherever the language leaves one open (arguments
// evaluated last first, a store's value before its scope and index, short-circuit
// && and ||, the order of with visits), so the two paths can be checked against each
// other. It differs where the engine always differed: numbers compare exactly, and
// errors carry this interpreter's own messages and do not end the game.
#include "compiler/interpreter.h"
#include "data/game.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "compiler/codegen.h"
#include "compiler/compiler.h"
#include "compiler/node.h"
#include "data/error.h"
#include "platform/console.h"
#include "platform/memory.h"
#include "platform/stack.h"
#include "value/real.h"
#include "variable/instance.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/code.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "vm/script.h"

namespace {

// Local lists by nesting depth of interpreted units, apart from the machine's.
std::vector<std::unique_ptr<CVariableList>> g_localPool;
int g_depth = 0;
// Interpreted units nest on the host stack (a script call is a nested run), so their
// depth is bounded like the machine's stack.
constexpr int kMaxDepth = 400;

enum Flow { kNormal, kBreak, kContinue, kExit, kReturn, kFailed };

bool Truth(const CValue& v) { return v.IsString() ? std::strcmp(v.Text(), "true") == 0 : Real_IsTrue(v.val); }

int64_t Shl64(int64_t v, int64_t n) { return n >= 64 ? 0 : int64_t(uint64_t(v) << n); }
int64_t Shr64(int64_t v, int64_t n) { return n >= 64 ? (v < 0 ? -1 : 0) : v >> n; }

std::string Repeat(const char* s, int64_t count, bool& failed) {
    failed = false;
    const size_t length = std::strlen(s);
    if (count <= 0 || length == 0) return std::string();
    if (uint64_t(count) > (MemoryManager::kMaxBlockSize - 1) / length) {
        failed = true;
        return std::string();
    }
    std::string out;
    out.reserve(length * size_t(count));
    for (int64_t i = 0; i < count; ++i) out += s;
    return out;
}

const char* OperatorText(int kind) {
    switch (kind) {
    case kTokPlus: return "+";
    case kTokMinus: return "-";
    case kTokTimes: return "*";
    case kTokSlash: return "/";
    case kTokDiv: return "div";
    case kTokMod: return "mod";
    case kTokBitOr: return "|";
    case kTokBitAnd: return "&";
    case kTokBitXor: return "^";
    case kTokShiftLeft: return "<<";
    case kTokShiftRight: return ">>";
    case kTokBitNot: return "~";
    default: return "?";
    }
}

int OperatorOfAssignment(int op) {
    switch (op) {
    case kTokAddAssign: return kTokPlus;
    case kTokSubAssign: return kTokMinus;
    case kTokMulAssign: return kTokTimes;
    case kTokDivAssign: return kTokSlash;
    case kTokOrAssign: return kTokBitOr;
    case kTokAndAssign: return kTokBitAnd;
    case kTokXorAssign: return kTokBitXor;
    default: return 0;
    }
}

// An arithmetic operator on two values; the message when it does not apply.
std::string Arithmetic(int kind, const CValue& a, const CValue& b, CValue& out) {
    const std::string wrong = std::string("Wrong type of arguments to ") + OperatorText(kind) + ".";
    if (a.IsString() || b.IsString()) {
        if (kind == kTokPlus && a.IsString() && b.IsString()) {
            out.SetString(std::string(a.Text()) + b.Text());
            return "";
        }
        if (kind == kTokTimes && a.IsReal() && b.IsString()) {
            bool failed = false;
            std::string text = Repeat(b.Text(), Real_TruncToInt64(a.val), failed);
            if (failed) return wrong;
            out.SetString(text);
            return "";
        }
        return wrong;
    }
    const double x = a.val, y = b.val;
    switch (kind) {
    case kTokPlus: out.SetReal(x + y); return "";
    case kTokMinus: out.SetReal(x - y); return "";
    case kTokTimes: out.SetReal(x * y); return "";
    case kTokSlash:
        if (Real_IsZeroDivisor(y)) return "Division by 0.";
        out.SetReal(x / y);
        return "";
    case kTokDiv:
        if (Real_IsZeroDivisor(y)) return "Division by 0.";
        out.SetReal(Real_TruncToInt32(x / y));
        return "";
    case kTokMod: out.SetReal(std::fmod(x, y)); return "";
    case kTokBitOr: out.SetReal(double(Real_TruncToInt64(x) | Real_TruncToInt64(y))); return "";
    case kTokBitAnd: out.SetReal(double(Real_TruncToInt64(x) & Real_TruncToInt64(y))); return "";
    case kTokBitXor: out.SetReal(double(Real_TruncToInt64(x) ^ Real_TruncToInt64(y))); return "";
    case kTokShiftLeft: out.SetReal(double(Shl64(Real_TruncToInt64(x), Real_TruncToInt64(y) & 0xFF))); return "";
    case kTokShiftRight: out.SetReal(double(Shr64(Real_TruncToInt64(x), Real_TruncToInt64(y) & 0xFF))); return "";
    default: return wrong;
    }
}

// A comparison: exact for numbers, byte order for texts, nothing across the two.
bool Compare(int kind, const CValue& a, const CValue& b, bool& result) {
    int c;
    if (a.IsString() && b.IsString()) {
        c = std::strcmp(a.Text(), b.Text());
    } else if (a.IsReal() && b.IsReal()) {
        c = a.val < b.val ? -1 : a.val > b.val ? 1 : 0;
        if (std::isnan(a.val) || std::isnan(b.val)) {
            result = kind == kTokNotEqual;
            return true;
        }
    } else {
        return false;
    }
    switch (kind) {
    case kTokLess: result = c < 0; break;
    case kTokLessEqual: result = c <= 0; break;
    case kTokEqual: result = c == 0; break;
    case kTokNotEqual: result = c != 0; break;
    case kTokGreaterEqual: result = c >= 0; break;
    default: result = c > 0; break;
    }
    return true;
}

class CTreeRun {
public:
    CTreeRun(const CCode& code, CInstance* self, CInstance* other, CVariableList* locals)
        : code_(code), self_(self), other_(other), locals_(locals) {}

    Flow Execute(const CNode& n);
    bool Evaluate(const CNode& n, CValue& out);
    // Fatal like the machine's own overflow: the nesting that led here would only
    // start again.
    void Overflow(const CNode& n) {
        failed = true;
        if (Game().error.silent) {
            Game().error.flag = true;
            return;
        }
        Code_ShowError(Code_FormatError(code_.source, n.position, "Stack overflow...", code_.kind != CCode::kProgram),
                       true);
    }

    CValue returned;
    bool failed = false;

private:
    bool Fail(const CNode& n, const std::string& message);
    // Another error was reported while we ran (a built-in's, a called script's).
    bool Interrupted() {
        if (Game().error.flag || Code_EndingOnError()) failed = true;
        return failed;
    }
    VariableScope Where() const { return VariableScope{self_, other_, locals_}; }

    bool ScopeOf(const CNode& n, int32_t& scope);
    bool IndexOf(const CNode& n, int32_t& index);
    bool Read(const CNode& n, int32_t scope, int32_t index, CValue& out);
    bool Write(const CNode& n, int32_t scope, int32_t index, const CValue& value);
    bool Call(const CNode& n, CValue& out);
    bool Binary(const CNode& n, CValue& out);

    Flow Body(const CNode& body, bool& stop);
    Flow Assignment(const CNode& n);
    Flow With(const CNode& n);
    Flow Switch(const CNode& n);
    Flow Loop(const CNode& n);

    const CCode& code_;
    CInstance* self_;
    CInstance* other_;
    CVariableList* locals_;
};

bool CTreeRun::Fail(const CNode& n, const std::string& message) {
    failed = true;
    if (Game().error.silent) {
        Game().error.flag = true;
        return false;
    }
    Code_ShowError(Code_FormatError(code_.source, n.position, message, code_.kind != CCode::kProgram), false);
    return false;
}

// --- variables -------------------------------------------------------------------------

bool CTreeRun::ScopeOf(const CNode& n, int32_t& scope) {
    switch (n.access) {
    case kAccessLocal: scope = kScopeLocal; return true;
    case kAccessUnqualified: scope = n.id < kUserVariableBase ? kScopeSelf : kScopeUnqualified; return true;
    default: {
        CValue v;
        if (!Evaluate(*n.scope, v)) return false;
        scope = Gen_ValueToInt(v);
        return true;
    }
    }
}

bool CTreeRun::IndexOf(const CNode& n, int32_t& index) {
    index = 0;
    if (n.children.empty()) return true;
    CValue v;
    if (!Evaluate(*n.children[0], v)) return false;
    index = Gen_ValueToInt(v);
    if (n.children.size() == 2) {
        if (!Evaluate(*n.children[1], v)) return false;
        index = int32_t(uint32_t(index) * 32000u + uint32_t(Gen_ValueToInt(v)));
    }
    return true;
}

bool CTreeRun::Read(const CNode& n, int32_t scope, int32_t index, CValue& out) {
    out.Release();
    if (Variable_GetByScope(scope, n.id, index, out, Where())) return true;
    if (Game().indexError)
        return Fail(n, std::string("Array index out of range for variable ") + Variable_Name(n.id) + ".");
    return Fail(n, std::string("Unknown variable ") + Variable_Name(n.id) + ".");
}

bool CTreeRun::Write(const CNode& n, int32_t scope, int32_t index, const CValue& value) {
    const bool ok = Variable_SetByScope(scope, n.id, index, value, Where());
    if (ok && !Game().indexError) return true;
    if (Game().indexError)
        return Fail(n, std::string("Array index out of range for variable ") + Variable_Name(n.id) + ".");
    return Fail(n, std::string("Cannot assign to the variable ") + Variable_Name(n.id) + ".");
}

// --- expressions -----------------------------------------------------------------------

bool CTreeRun::Call(const CNode& n, CValue& out) {
    const size_t count = n.children.size();
    std::vector<CValue> args(count);
    for (size_t i = count; i-- > 0;)
        if (!Evaluate(*n.children[i], args[i])) return false;
    out.SetReal(0);
    const int id = n.id;
    if (id >= 0 && id < kScriptIdBase) {
        if (const FunctionEntry* fn = Function_Entry(id)) {
            if (VM_Settings().callTrace) Console().Output("func call = %s\n", fn->name);
            fn->handler(out, self_, other_, int(count), args.data());
        }
    } else if (id >= kScriptIdBase && id <= kExtensionIdBase) {
        if (VM_Settings().callTrace) {
            const CGameResources* res = &*Game().resources;
            const size_t s = size_t(id - kScriptIdBase);
            if (res && s < res->scripts.size() && res->scripts[s])
                Console().Output("script call = %s\n", res->scripts[s]->name.c_str());
        }
        if (!VM_ExecuteScript(id - kScriptIdBase, self_, other_, int(count), args.data(), out)) failed = true;
    } else if (id > kExtensionIdBase) {
        if (TExtensionCall call = VM_ExtensionCall())
            call(self_, other_, id - kExtensionIdBase, int(count), args.data(), out);
        else
            Code_ShowError("Extension function " + std::to_string(id - kExtensionIdBase) + " is not implemented.",
                           false);
    }
    return !Interrupted();
}

bool CTreeRun::Binary(const CNode& n, CValue& out) {
    CValue a, b;
    if (!Evaluate(*n.children[0], a)) return false;
    if (n.kind == kTokAnd || n.kind == kTokOr) {
        // The right side only when the left does not decide.
        const bool left = Truth(a);
        if (n.kind == kTokAnd ? !left : left) {
            out.SetReal(left ? 1 : 0);
            return true;
        }
        if (!Evaluate(*n.children[1], b)) return false;
        out.SetReal(Truth(b) ? 1 : 0);
        return true;
    }
    if (!Evaluate(*n.children[1], b)) return false;
    if (n.kind == kTokXor) {
        out.SetReal(Truth(a) != Truth(b) ? 1 : 0);
        return true;
    }
    if (n.kind >= kTokLess && n.kind <= kTokGreater) {
        bool result = false;
        if (!Compare(n.kind, a, b, result)) return Fail(n, "Cannot compare arguments.");
        out.SetReal(result ? 1 : 0);
        return true;
    }
    const std::string error = Arithmetic(n.kind, a, b, out);
    if (!error.empty()) return Fail(n, error);
    return true;
}

bool CTreeRun::Evaluate(const CNode& n, CValue& out) {
    switch (n.kind) {
    case kTokConstant: out.Copy(n.value); return true;
    case kTokVariable: {
        int32_t scope = 0, index = 0;
        return ScopeOf(n, scope) && IndexOf(n, index) && Read(n, scope, index, out);
    }
    case kTokFunction: return Call(n, out);
    default: break;
    }
    if (n.children.size() == 1) {
        CValue v;
        if (!Evaluate(*n.children[0], v)) return false;
        if (n.kind == kTokNot) {
            out.SetReal(Truth(v) ? 0 : 1);
            return true;
        }
        if (v.IsString()) return Fail(n, std::string("Wrong type of arguments to ") + OperatorText(n.kind) + ".");
        if (n.kind == kTokMinus) out.SetReal(-v.val);
        else out.SetReal(double(~Real_TruncToInt64(v.val)));
        return true;
    }
    if (n.children.size() == 2) return Binary(n, out);
    out.SetReal(0);
    return true;
}

// --- statements ------------------------------------------------------------------------

Flow CTreeRun::Assignment(const CNode& n) {
    const CNode& target = *n.children[0];
    int32_t scope = 0, index = 0;
    CValue value;
    if (n.op == kTokAssign) {
        // The value first, then where it goes, as the generated code does.
        if (!Evaluate(*n.children[1], value) || !ScopeOf(target, scope) || !IndexOf(target, index) ||
            !Write(target, scope, index, value))
            return kFailed;
        return kNormal;
    }
    CValue old, combined;
    if (!ScopeOf(target, scope) || !IndexOf(target, index) || !Read(target, scope, index, old) ||
        !Evaluate(*n.children[1], value))
        return kFailed;
    const int kind = OperatorOfAssignment(n.op);
    const std::string error = Arithmetic(kind, old, value, combined);
    if (!error.empty()) {
        Fail(n, error);
        return kFailed;
    }
    return Write(target, scope, index, combined) ? kNormal : kFailed;
}

// One pass of a loop's body: `stop` says the loop ends, the flow what goes on outward.
Flow CTreeRun::Body(const CNode& body, bool& stop) {
    const Flow f = Execute(body);
    stop = f != kNormal && f != kContinue;
    return f == kBreak || f == kContinue ? kNormal : f;
}

Flow CTreeRun::Loop(const CNode& n) {
    bool stop = false;
    CValue v;
    switch (n.kind) {
    case kTokWhile:
        for (;;) {
            if (!Evaluate(*n.children[0], v)) return kFailed;
            if (!Truth(v)) return kNormal;
            const Flow f = Body(*n.children[1], stop);
            if (stop) return f;
        }
    case kTokDo:
        for (;;) {
            const Flow f = Body(*n.children[0], stop);
            if (stop) return f;
            if (!Evaluate(*n.children[1], v)) return kFailed;
            if (Truth(v)) return kNormal;
        }
    case kTokFor: {
        const Flow init = Execute(*n.children[0]);
        if (init != kNormal) return init;
        for (;;) {
            if (!Evaluate(*n.children[1], v)) return kFailed;
            if (!Truth(v)) return kNormal;
            const Flow f = Body(*n.children[3], stop);
            if (stop) return f;
            const Flow step = Execute(*n.children[2]);
            if (step != kNormal) return step;
        }
    }
    case kTokRepeat: {
        if (!Evaluate(*n.children[0], v)) return kFailed;
        for (int32_t count = Gen_ValueToInt(v); count > 0; --count) {
            const Flow f = Body(*n.children[1], stop);
            if (stop) return f;
        }
        return kNormal;
    }
    default: return kNormal;
    }
}

Flow CTreeRun::With(const CNode& n) {
    CValue v;
    if (!Evaluate(*n.children[0], v)) return kFailed;
    const int32_t target = Gen_ValueToInt(v);
    if (target == kScopeGlobal) return Fail(n, "Cannot use global in with statement"), kFailed;
    if (target == kScopeLocal) return Fail(n, "Cannot use local in with statement"), kFailed;

    CInstance* const savedSelf = self_;
    CInstance* const savedOther = other_;
    // The instances in the order the machine visits them: a list of three or more
    // from its last instance backwards, otherwise in list order.
    std::vector<CInstance*> visits;
    if (target == kScopeSelf || target == kScopeUnqualified) {
        other_ = self_;
        visits.push_back(self_);
    } else if (target == kScopeOther) {
        visits.push_back(other_);
        other_ = self_;
    } else if (target >= 100000) {
        CInstance* inst = Game().world->Find(target);
        if (inst && !inst->marked) visits.push_back(inst);
        other_ = self_;
    } else if (target == kScopeAll || (target >= 0 && Game().world->ObjectExists(target))) {
        if (target == kScopeAll) Game().world->All(visits);
        else Game().world->OfObject(target, visits);
        if (visits.size() >= 3) {
            std::vector<CInstance*> order(visits.rbegin(), visits.rend());
            visits = std::move(order);
        }
        other_ = self_;
    }
    Flow result = kNormal;
    for (CInstance* inst : visits) {
        self_ = inst;
        const Flow f = Execute(*n.children[1]);
        if (f == kBreak) break;
        if (f != kNormal && f != kContinue) {
            result = f;
            break;
        }
    }
    self_ = savedSelf;
    other_ = savedOther;
    return result;
}

Flow CTreeRun::Switch(const CNode& n) {
    CValue value;
    if (!Evaluate(*n.children[0], value)) return kFailed;
    size_t start = 0;
    for (size_t i = 1; i < n.children.size() && !start; ++i) {
        const CNode& c = *n.children[i];
        if (c.kind != kTokCase) continue;
        CValue match;
        if (!Evaluate(*c.children[0], match)) return kFailed;
        bool equal = false;
        if (!Compare(kTokEqual, value, match, equal)) return Fail(c, "Cannot compare arguments."), kFailed;
        if (equal) start = i;
    }
    for (size_t i = 1; i < n.children.size() && !start; ++i)
        if (n.children[i]->kind == kTokDefault) start = i;
    if (!start) return kNormal;
    for (size_t i = start + 1; i < n.children.size(); ++i) {
        const CNode& c = *n.children[i];
        if (c.kind == kTokCase || c.kind == kTokDefault) continue;
        const Flow f = Execute(c);
        if (f == kBreak) return kNormal;
        if (f != kNormal) return f;
    }
    return kNormal;
}

Flow CTreeRun::Execute(const CNode& n) {
    if (failed) return kFailed;
    switch (n.kind) {
    case kNodeBlock:
        for (const auto& c : n.children) {
            const Flow f = Execute(*c);
            if (f != kNormal) return f;
        }
        return kNormal;
    case kTokAssign: return Assignment(n);
    case kTokFunction: {
        CValue discarded;
        return Call(n, discarded) ? kNormal : kFailed;
    }
    case kTokIf: {
        CValue v;
        if (!Evaluate(*n.children[0], v)) return kFailed;
        if (Truth(v)) return Execute(*n.children[1]);
        return n.children.size() > 2 ? Execute(*n.children[2]) : kNormal;
    }
    case kTokWhile:
    case kTokDo:
    case kTokFor:
    case kTokRepeat: return Loop(n);
    case kTokWith: return With(n);
    case kTokSwitch: return Switch(n);
    case kTokBreak: return kBreak;
    case kTokContinue: return kContinue;
    case kTokExit: return kExit;
    case kTokReturn:
        if (!Evaluate(*n.children[0], returned)) return kFailed;
        return kReturn;
    default: return kNormal;
    }
}

}  // namespace

bool Code_Interpret(CInstance* self, CInstance* other, const CCode& code, CValue* result) {
    if (!code.compiled || !code.tree || Code_EndingOnError()) return !Code_EndingOnError();
    if (code.kind == CCode::kConstant) {
        if (result) result->Copy(code.constant);
        return true;
    }
    if (VM_Settings().callTrace) Console().Output("script = %s\n", code.name.c_str());
    if (g_depth >= kMaxDepth || Stack_IsLow()) {
        CTreeRun(code, self, other, nullptr).Overflow(*code.tree);
        return false;
    }
    ++g_depth;
    while (g_localPool.size() <= size_t(g_depth)) g_localPool.push_back(std::make_unique<CVariableList>());
    CVariableList* locals = g_localPool[size_t(g_depth)].get();
    if (locals->Count() > 0) locals->Clear();

    CTreeRun run(code, self, other, locals);
    bool ok;
    if (code.kind == CCode::kExpression) {
        CValue value;
        ok = run.Evaluate(*code.tree, value) && !run.failed;
        if (ok && result) *result = std::move(value);
    } else {
        const Flow f = run.Execute(*code.tree);
        ok = f != kFailed && !run.failed;
        if (ok && f == kReturn && result) *result = std::move(run.returned);
    }
    --g_depth;
    return ok;
}
