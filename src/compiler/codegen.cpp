// The code generator.
//
// Where the instruction set leaves the encoding open, this is what we emit:
//
// - Numbers are pushed as doubles (push.d), never as int or long: int items divide
//   and wrap as 32-bit integers, which script numbers never do.
// - Small integers that the machine wants as ints (scope operands, with targets,
//   constant array indices, the repeat counter's 0 and 1, the row stride 32000) are
//   push.e when they fit 16 bits, else push.i.
// - Strings are push.s with an index into the unit's own string table (each text
//   once, in order of first use).
// - An expression leaves a double, a string, a variable item or a bool. A bool is
//   converted (conv.b.d) before arithmetic, a comparison, a negation or a switch
//   value; anything else is converted to bool (conv.x.b) for a condition; call
//   arguments, returned values and the value of an expression unit are converted to
//   variable items (conv.x.v). A store takes its value as it is (pop.v.<type>).
// - Variable scopes: an unqualified user variable uses the scope operand -6 (global
//   when declared globalvar at run time, else self); an unqualified built-in variable
//   -1 (self); a name declared with var -7 (local). A constant before a dot is folded
//   into the instruction: -32768..32767 as the immediate, instance ids 100000..132767
//   as immediate with the 100000 bias bit, anything else pushed as an int. Any other
//   expression before a dot is evaluated, converted to int and taken from the stack.
// - Array indices are converted to int; a two-dimensional index is computed as
//   i * 32000 + j in int arithmetic (mul.i.i, add.i.i). The scope is pushed before
//   the index, the value of a store before both.
// - A compound assignment whose scope or index is not constant evaluates them once
//   into the hidden locals "$scope" and "$index" ("$" cannot start an identifier),
//   then reads, combines and stores through them.
// - Call arguments are evaluated last first, so the first argument ends on top; a
//   call used as a statement is followed by popz.v.
// - && and || evaluate their right side only when the left does not decide (bf/bt
//   over the right side, push.b for the decided value); ^^ evaluates both (xor.b.b).
// - if/while/do/for are bf/b over labels. repeat keeps its counter on the stack as an
//   int: dup.i, push.e 0, sgt.i.i, bf end; ... push.e 1, sub.i.i, b test; end: popz.i.
// - switch keeps its value on the stack: per case, in order, dup, the case value,
//   seq, bt to the case; then b to default (or the end); the end pops the value.
// - with: the target as an int, pushenv to the closing popenv, the body, the popenv
//   back to the body's first instruction. break inside it is popenv.break then a b
//   past the block; continue jumps to the popenv (the next instance).
// - exit unwinds everything the enclosing blocks keep on the stack (popenv.break for
//   each with, popz for each switch value and repeat counter) and ends with exit.i.
//   return converts its value to a variable item and ends with ret.v; inside a with
//   it parks the value in the hidden local "$return" while the environments go.
// - break and continue outside any loop, switch or with end the unit, as exit does;
//   continue inside a switch pops the switch values up to the enclosing loop.
// - Debug pairs: one per statement and per condition or case value that is emitted
//   away from its statement's start, keyed by the offset just past the piece's first
//   instruction word. The machine looks a fault up by the offset after the failing
//   instruction, so an error in the last instruction of one statement still names
//   that statement and not the next.
#include "compiler/codegen.h"

#include <cstring>
#include <vector>

#include "variable/variables.h"
#include "vm/item.h"
#include "vm/program.h"

namespace {

constexpr int32_t kBranchMin = -(1 << 23);
constexpr int32_t kBranchMax = (1 << 23) - 1;
constexpr uint8_t kPopEnvBreakType = 0xF0;
constexpr uint32_t kRefNoIndex = 0x80000000u;
constexpr uint32_t kRefBias = 0x40000000u;
constexpr uint32_t kRefImmediate = 0x20000000u;
constexpr int32_t kRowStride = 32000;

// How an instruction names a variable's scope.
struct Scope {
    bool immediate = true;
    bool bias = false;
    int16_t imm = 0;
};

bool Fits16(int64_t v) { return v >= -32768 && v <= 32767; }

class CGenerator {
public:
    CGenerator(CCode& code) : code_(code), out_(code.buffer) {}

    bool Program(const CNode& tree);
    bool Expression(const CNode& tree);

    std::string message;
    int position = 0;

private:
    enum FlowKind { kLoop, kRepeat, kWith, kSwitch };
    struct Flow {
        FlowKind kind;
        int breakLabel;
        int continueLabel;
        uint8_t held;  // type of the item a repeat or switch keeps on the stack
    };
    struct Label {
        int64_t offset = -1;
        std::vector<uint32_t> fixups;
    };

    // --- words ---
    void Word(uint8_t op, uint8_t typeByte, uint16_t imm = 0) {
        out_.Write32(uint32_t(op) << 24 | uint32_t(typeByte) << 16 | imm);
    }
    void Op2(uint8_t op, uint8_t top, uint8_t below) { Word(op, uint8_t(top | below << 4)); }
    void Op1(uint8_t op, uint8_t type) { Word(op, type); }
    void Conv(uint8_t from, uint8_t to) {
        if (from != to) Op2(kOpConv, from, to);
    }
    void PushDouble(double v) {
        Word(kOpPush, eVM_Double);
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        out_.Write64(bits);
    }
    void PushString(const std::string& s) {
        uint32_t index = 0;
        while (index < code_.strings.size() && code_.strings[index] != s) ++index;
        if (index == code_.strings.size()) code_.strings.push_back(s);
        Word(kOpPush, eVM_String);
        out_.Write32(index);
    }
    void PushBool(bool v) {
        Word(kOpPush, eVM_Bool);
        out_.Write32(v ? 1 : 0);
    }
    void PushInt(int32_t v) {
        if (Fits16(v)) {
            Word(kOpPush, eVM_Error, uint16_t(int16_t(v)));
        } else {
            Word(kOpPush, eVM_Int);
            out_.Write32(uint32_t(v));
        }
    }
    void VariableWord(uint8_t op, uint8_t typeByte, const Scope& scope, bool index, int32_t id) {
        Word(op, typeByte, scope.immediate ? uint16_t(scope.imm) : 0);
        uint32_t ref = uint32_t(id) & 0x1FFFFFFFu;
        if (!index) ref |= kRefNoIndex;
        if (scope.bias) ref |= kRefBias;
        if (scope.immediate) ref |= kRefImmediate;
        out_.Write32(ref);
    }
    void PushVariable(const Scope& scope, bool index, int32_t id) {
        VariableWord(kOpPush, eVM_Variable, scope, index, id);
    }
    void PopVariable(uint8_t valueType, const Scope& scope, bool index, int32_t id) {
        VariableWord(kOpPop, uint8_t(eVM_Variable | valueType << 4), scope, index, id);
    }
    Scope Immediate(int16_t imm) {
        Scope s;
        s.imm = imm;
        return s;
    }

    // --- labels ---
    int NewLabel() {
        labels_.emplace_back();
        return int(labels_.size()) - 1;
    }
    void Branch(uint8_t op, int label) {
        labels_[label].fixups.push_back(out_.Position());
        Word(op, 0);
    }
    void Bind(int label) { labels_[label].offset = out_.Position(); }
    bool Resolve();

    // --- debug pairs ---
    void Mark(int sourcePosition) {
        auto& pairs = code_.debug.positions;
        const uint32_t at = out_.Position() + 4;
        if (!pairs.empty() && pairs.back().first == at) pairs.back().second = uint32_t(sourcePosition);
        else pairs.emplace_back(at, uint32_t(sourcePosition));
    }

    // --- expressions ---
    uint8_t Value(const CNode& n);
    uint8_t Operand(const CNode& n) {
        const uint8_t t = Value(n);
        if (t == eVM_Bool) {
            Conv(eVM_Bool, eVM_Double);
            return eVM_Double;
        }
        return t;
    }
    void Condition(const CNode& n) { Conv(Value(n), eVM_Bool); }
    void AsVariable(const CNode& n) { Conv(Value(n), eVM_Variable); }
    void Int(const CNode& n) {
        if (n.kind == kTokConstant) PushInt(Gen_ValueToInt(n.value));
        else Conv(Value(n), eVM_Int);
    }
    uint8_t Binary(const CNode& n);
    void Call(const CNode& n);

    // The scope of a variable node; a stack scope is pushed here.
    Scope VariableScope(const CNode& n);
    bool ConstantScope(const CNode& n, int32_t& value) const;
    // Pushes the index of a variable node as an int; false when it has none.
    bool Index(const CNode& n);
    bool ConstantIndex(const CNode& n, int32_t& value) const;

    // --- statements ---
    void Statement(const CNode& n);
    void Assignment(const CNode& n);
    void Switch(const CNode& n);
    void Break();
    void Continue();
    void Unwind(size_t downTo);
    void Exit();
    void Return(const CNode& n);
    bool InsideWith() const {
        for (const Flow& f : flows_)
            if (f.kind == kWith) return true;
        return false;
    }
    int32_t Hidden(const char* name) { return Variable_Find(name); }

    CCode& code_;
    VMWriteBuffer& out_;
    std::vector<Label> labels_;
    std::vector<Flow> flows_;
};

bool CGenerator::Resolve() {
    for (const Label& label : labels_) {
        for (uint32_t at : label.fixups) {
            const int64_t words = (label.offset - int64_t(at)) / 4;
            const uint32_t word = out_.Read32(at);
            const uint32_t field = uint32_t(words) & 0x00FFFFFFu;
            // A popenv whose field reads as the early-exit type byte would be one.
            if (label.offset < 0 || words < kBranchMin || words > kBranchMax ||
                ((word >> 24) == kOpPopEnv && ((field >> 16) & 0xFF) == kPopEnvBreakType)) {
                message = "Code too large to compile.";
                position = 0;
                return false;
            }
            out_.Patch32(at, (word & 0xFF000000u) | field);
        }
    }
    return true;
}

// --- expressions -----------------------------------------------------------------------

uint8_t CGenerator::Value(const CNode& n) {
    switch (n.kind) {
    case kTokConstant:
        if (n.value.IsString()) {
            PushString(n.value.Text());
            return eVM_String;
        }
        PushDouble(n.value.val);
        return eVM_Double;
    case kTokVariable: {
        const Scope scope = VariableScope(n);
        const bool index = Index(n);
        PushVariable(scope, index, n.id);
        return eVM_Variable;
    }
    case kTokFunction: Call(n); return eVM_Variable;
    case kTokAnd:
    case kTokOr: {
        const int decided = NewLabel(), done = NewLabel();
        Condition(*n.children[0]);
        Branch(n.kind == kTokAnd ? kOpBf : kOpBt, decided);
        Condition(*n.children[1]);
        Branch(kOpB, done);
        Bind(decided);
        PushBool(n.kind == kTokOr);
        Bind(done);
        return eVM_Bool;
    }
    case kTokXor:
        Condition(*n.children[0]);
        Condition(*n.children[1]);
        Op2(kOpXor, eVM_Bool, eVM_Bool);
        return eVM_Bool;
    case kTokNot:
        if (n.children.size() == 1) {
            Condition(*n.children[0]);
            Op1(kOpNot, eVM_Bool);
            return eVM_Bool;
        }
        break;
    case kTokMinus:
    case kTokBitNot:
        if (n.children.size() == 1) {
            const uint8_t t = Operand(*n.children[0]);
            Op1(n.kind == kTokMinus ? kOpNeg : kOpNot, t);
            return t;
        }
        break;
    default: break;
    }
    return Binary(n);
}

uint8_t OpcodeOf(int kind) {
    switch (kind) {
    case kTokPlus:
    case kTokAddAssign: return kOpAdd;
    case kTokMinus:
    case kTokSubAssign: return kOpSub;
    case kTokTimes:
    case kTokMulAssign: return kOpMul;
    case kTokSlash:
    case kTokDivAssign: return kOpDiv;
    case kTokDiv: return kOpRem;
    case kTokMod: return kOpMod;
    case kTokBitOr:
    case kTokOrAssign: return kOpOr;
    case kTokBitAnd:
    case kTokAndAssign: return kOpAnd;
    case kTokBitXor:
    case kTokXorAssign: return kOpXor;
    case kTokShiftLeft: return kOpShl;
    case kTokShiftRight: return kOpShr;
    case kTokLess: return kOpSlt;
    case kTokLessEqual: return kOpSle;
    case kTokEqual: return kOpSeq;
    case kTokNotEqual: return kOpSne;
    case kTokGreaterEqual: return kOpSge;
    case kTokGreater: return kOpSgt;
    default: return 0;
    }
}

// What an arithmetic instruction leaves for operands of these types.
uint8_t ArithmeticResult(uint8_t opcode, uint8_t left, uint8_t right) {
    if (left == eVM_Variable || right == eVM_Variable) return eVM_Variable;
    if (opcode == kOpAdd && left == eVM_String && right == eVM_String) return eVM_String;
    if (opcode == kOpMul && left == eVM_Double && right == eVM_String) return eVM_String;
    return eVM_Double;
}

uint8_t CGenerator::Binary(const CNode& n) {
    const uint8_t opcode = OpcodeOf(n.kind);
    if (!opcode || n.children.size() != 2) {
        PushDouble(0);  // not an expression node; the parser never makes one
        return eVM_Double;
    }
    const uint8_t left = Operand(*n.children[0]);
    const uint8_t right = Operand(*n.children[1]);
    Op2(opcode, right, left);
    if (opcode >= kOpSlt && opcode <= kOpSgt) return eVM_Bool;
    return ArithmeticResult(opcode, left, right);
}

void CGenerator::Call(const CNode& n) {
    for (size_t i = n.children.size(); i-- > 0;) AsVariable(*n.children[i]);
    Word(kOpCall, eVM_Int, uint16_t(n.children.size()));
    out_.Write32(uint32_t(n.id));
}

bool CGenerator::ConstantScope(const CNode& n, int32_t& value) const {
    if (n.access != kAccessQualified) return true;
    if (n.scope->kind != kTokConstant) return false;
    value = Gen_ValueToInt(n.scope->value);
    return true;
}

Scope CGenerator::VariableScope(const CNode& n) {
    if (n.access == kAccessLocal) return Immediate(kScopeLocal);
    if (n.access == kAccessUnqualified) return Immediate(n.id < kUserVariableBase ? kScopeSelf : kScopeUnqualified);
    int32_t constant = 0;
    if (ConstantScope(n, constant)) {
        if (Fits16(constant)) return Immediate(int16_t(constant));
        if (constant >= 100000 && constant - 100000 <= 32767) {
            Scope s = Immediate(int16_t(constant - 100000));
            s.bias = true;
            return s;
        }
        PushInt(constant);
    } else {
        Conv(Value(*n.scope), eVM_Int);
    }
    Scope s;
    s.immediate = false;
    return s;
}

bool CGenerator::ConstantIndex(const CNode& n, int32_t& value) const {
    for (const auto& c : n.children)
        if (c->kind != kTokConstant) return false;
    if (n.children.size() == 1) value = Gen_ValueToInt(n.children[0]->value);
    else if (n.children.size() == 2)
        value = int32_t(uint32_t(Gen_ValueToInt(n.children[0]->value)) * uint32_t(kRowStride) +
                        uint32_t(Gen_ValueToInt(n.children[1]->value)));
    return true;
}

bool CGenerator::Index(const CNode& n) {
    if (n.children.empty()) return false;
    int32_t constant = 0;
    if (ConstantIndex(n, constant)) {
        PushInt(constant);
        return true;
    }
    Int(*n.children[0]);
    if (n.children.size() == 2) {
        PushInt(kRowStride);
        Op2(kOpMul, eVM_Int, eVM_Int);
        Int(*n.children[1]);
        Op2(kOpAdd, eVM_Int, eVM_Int);
    }
    return true;
}

// --- statements ------------------------------------------------------------------------

void CGenerator::Statement(const CNode& n) {
    if (n.kind != kNodeBlock) Mark(n.position);
    switch (n.kind) {
    case kNodeBlock:
        for (const auto& c : n.children) Statement(*c);
        return;
    case kTokAssign: Assignment(n); return;
    case kTokFunction:
        Call(n);
        Op1(kOpPopz, eVM_Variable);
        return;
    case kTokIf: {
        const int otherwise = NewLabel();
        Condition(*n.children[0]);
        Branch(kOpBf, otherwise);
        Statement(*n.children[1]);
        if (n.children.size() > 2) {
            const int done = NewLabel();
            Branch(kOpB, done);
            Bind(otherwise);
            Statement(*n.children[2]);
            Bind(done);
        } else {
            Bind(otherwise);
        }
        return;
    }
    case kTokWhile: {
        const int test = NewLabel(), done = NewLabel();
        Bind(test);
        Condition(*n.children[0]);
        Branch(kOpBf, done);
        flows_.push_back({kLoop, done, test, 0});
        Statement(*n.children[1]);
        flows_.pop_back();
        Branch(kOpB, test);
        Bind(done);
        return;
    }
    case kTokDo: {
        const int body = NewLabel(), test = NewLabel(), done = NewLabel();
        Bind(body);
        flows_.push_back({kLoop, done, test, 0});
        Statement(*n.children[0]);
        flows_.pop_back();
        Bind(test);
        Mark(n.children[1]->position);
        Condition(*n.children[1]);
        Branch(kOpBf, body);
        Bind(done);
        return;
    }
    case kTokFor: {
        const int test = NewLabel(), step = NewLabel(), done = NewLabel();
        Statement(*n.children[0]);
        Bind(test);
        Mark(n.children[1]->position);
        Condition(*n.children[1]);
        Branch(kOpBf, done);
        flows_.push_back({kLoop, done, step, 0});
        Statement(*n.children[3]);
        flows_.pop_back();
        Bind(step);
        Statement(*n.children[2]);
        Branch(kOpB, test);
        Bind(done);
        return;
    }
    case kTokRepeat: {
        const int test = NewLabel(), next = NewLabel(), done = NewLabel();
        Int(*n.children[0]);
        Bind(test);
        Op1(kOpDup, eVM_Int);
        PushInt(0);
        Op2(kOpSgt, eVM_Int, eVM_Int);
        Branch(kOpBf, done);
        flows_.push_back({kRepeat, done, next, eVM_Int});
        Statement(*n.children[1]);
        flows_.pop_back();
        Bind(next);
        PushInt(1);
        Op2(kOpSub, eVM_Int, eVM_Int);
        Branch(kOpB, test);
        Bind(done);
        Op1(kOpPopz, eVM_Int);
        return;
    }
    case kTokWith: {
        const int body = NewLabel(), close = NewLabel(), after = NewLabel();
        Int(*n.children[0]);
        Branch(kOpPushEnv, close);
        Bind(body);
        flows_.push_back({kWith, after, close, 0});
        Statement(*n.children[1]);
        flows_.pop_back();
        Bind(close);
        Branch(kOpPopEnv, body);
        Bind(after);
        return;
    }
    case kTokSwitch: Switch(n); return;
    case kTokBreak: Break(); return;
    case kTokContinue: Continue(); return;
    case kTokExit: Exit(); return;
    case kTokReturn: Return(n); return;
    default: return;  // var and globalvar did their work when the text was compiled
    }
}

void CGenerator::Assignment(const CNode& n) {
    const CNode& target = *n.children[0];
    const CNode& value = *n.children[1];
    if (n.op == kTokAssign) {
        const uint8_t t = Value(value);
        const Scope scope = VariableScope(target);
        const bool index = Index(target);
        PopVariable(t, scope, index, target.id);
        return;
    }

    // Compound: the scope and the index are worked out once.
    int32_t constantScope = 0, constantIndex = 0;
    const bool scopeTemp = !ConstantScope(target, constantScope);
    const bool hasIndex = !target.children.empty();
    const bool indexTemp = hasIndex && !ConstantIndex(target, constantIndex);
    const int32_t scopeId = scopeTemp ? Hidden("$scope") : 0;
    const int32_t indexId = indexTemp ? Hidden("$index") : 0;
    if (scopeTemp) {
        Conv(Value(*target.scope), eVM_Int);
        PopVariable(eVM_Int, Immediate(kScopeLocal), false, scopeId);
    }
    if (indexTemp) {
        Index(target);
        PopVariable(eVM_Int, Immediate(kScopeLocal), false, indexId);
    }
    auto access = [&]() {
        Scope scope;
        if (scopeTemp) {
            PushVariable(Immediate(kScopeLocal), false, scopeId);
            Conv(eVM_Variable, eVM_Int);
            scope.immediate = false;
        } else {
            scope = VariableScope(target);  // constant: pushes nothing or a constant
        }
        if (indexTemp) {
            PushVariable(Immediate(kScopeLocal), false, indexId);
            Conv(eVM_Variable, eVM_Int);
        } else if (hasIndex) {
            PushInt(constantIndex);
        }
        return scope;
    };
    const Scope readScope = access();
    PushVariable(readScope, hasIndex, target.id);
    const uint8_t t = Operand(value);
    Op2(OpcodeOf(n.op), t, eVM_Variable);
    const Scope writeScope = access();
    PopVariable(eVM_Variable, writeScope, hasIndex, target.id);
}

void CGenerator::Switch(const CNode& n) {
    const uint8_t t = Operand(*n.children[0]);
    const int done = NewLabel();
    int fallback = -1;
    std::vector<int> caseLabels(n.children.size(), -1);
    for (size_t i = 1; i < n.children.size(); ++i) {
        const CNode& c = *n.children[i];
        if (c.kind == kTokCase) {
            caseLabels[i] = NewLabel();
            Mark(c.position);
            Op1(kOpDup, t);
            const uint8_t ct = Operand(*c.children[0]);
            Op2(kOpSeq, ct, t);
            Branch(kOpBt, caseLabels[i]);
        } else if (c.kind == kTokDefault && fallback < 0) {
            fallback = caseLabels[i] = NewLabel();
        }
    }
    Branch(kOpB, fallback >= 0 ? fallback : done);
    flows_.push_back({kSwitch, done, -1, t});
    for (size_t i = 1; i < n.children.size(); ++i) {
        const CNode& c = *n.children[i];
        if (c.kind == kTokCase || c.kind == kTokDefault) {
            if (caseLabels[i] >= 0) Bind(caseLabels[i]);
            continue;
        }
        Statement(c);
    }
    flows_.pop_back();
    Bind(done);
    Op1(kOpPopz, t);
}

void CGenerator::Break() {
    if (flows_.empty()) return Exit();
    const Flow& f = flows_.back();
    if (f.kind == kWith) Word(kOpPopEnv, kPopEnvBreakType);
    Branch(kOpB, f.breakLabel);
}

void CGenerator::Continue() {
    size_t target = flows_.size();
    while (target > 0 && flows_[target - 1].kind == kSwitch) --target;
    if (target == 0) return Exit();
    for (size_t i = flows_.size(); i > target; --i) Op1(kOpPopz, flows_[i - 1].held);
    Branch(kOpB, flows_[target - 1].continueLabel);
}

// Takes off the stack what the enclosing blocks keep there, innermost first.
void CGenerator::Unwind(size_t downTo) {
    for (size_t i = flows_.size(); i > downTo; --i) {
        const Flow& f = flows_[i - 1];
        if (f.kind == kWith) Word(kOpPopEnv, kPopEnvBreakType);
        else if (f.kind != kLoop) Op1(kOpPopz, f.held);
    }
}

void CGenerator::Exit() {
    Unwind(0);
    Op1(kOpExit, eVM_Int);
}

void CGenerator::Return(const CNode& n) {
    AsVariable(*n.children[0]);
    if (InsideWith()) {
        const int32_t id = Hidden("$return");
        PopVariable(eVM_Variable, Immediate(kScopeLocal), false, id);
        Unwind(0);
        PushVariable(Immediate(kScopeLocal), false, id);
    }
    Op1(kOpRet, eVM_Variable);
}

bool CGenerator::Program(const CNode& tree) {
    Statement(tree);
    return Resolve();
}

bool CGenerator::Expression(const CNode& tree) {
    Mark(tree.position);
    AsVariable(tree);
    return Resolve();
}

}  // namespace

int32_t Gen_ValueToInt(const CValue& value) {
    return value.IsString() ? Text_ToInt(value.Text()) : Real_TruncToInt32(value.val);
}

bool Gen_Emit(const CNode& tree, int kind, CCode& code, std::string& message, int& position) {
    CGenerator generator(code);
    const bool ok = kind == CCode::kProgram ? generator.Program(tree) : generator.Expression(tree);
    if (!ok) {
        message = generator.message;
        position = generator.position;
    }
    return ok;
}
