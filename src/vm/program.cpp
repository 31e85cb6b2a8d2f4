#include "vm/program.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "vm/item.h"

namespace {

uint32_t OperandSize(uint32_t word) {
    if (!((word >> 24) & 0x40)) return 0;
    return VM_TypeWidth((word >> 16) & 0xF) == 16 ? 4 : VM_TypeWidth((word >> 16) & 0xF);
}

int32_t BranchField(uint32_t word) {
    int32_t field = int32_t(word & 0xFFFFFF);
    if (field & 0x800000) field -= 0x1000000;
    return field;
}

// Decodes a variable reference word into `in` and picks the handler: the generic one,
// or a direct one for a plain local, self or global variable. Returns the bytes of
// the index and scope operands the instruction pops.
int32_t VariableOperand(VMInst& in, uint32_t ref, int32_t imm, VMHandler generic, VMHandler local, VMHandler self,
                        VMHandler global) {
    in.a = int32_t(ref & 0x1FFFFFFF);
    in.b = int32_t(ref & 0xE0000000u);
    in.c = imm;
    const bool noIndex = ref & 0x80000000u, immediate = ref & 0x20000000u, bias = ref & 0x40000000u;
    if (bias) in.c += 100000;
    in.handler = generic;
    if (noIndex && immediate && !bias) {
        if (imm == -7) in.handler = local;
        else if (imm == -1) in.handler = self;
        else if (imm == -5) in.handler = global;
    }
    return (noIndex ? 0 : 4) + (immediate ? 0 : 4);
}

}  // namespace

int VMProgram::IndexOfOffset(int64_t offset) const {
    // The end record. Its index comes from the table, not from insts: branches are
    // resolved while insts is still being filled.
    if (offset < 0 || offset >= int64_t(length)) return offsetToIndex.empty() ? 0 : offsetToIndex.back();
    return offsetToIndex[size_t(offset) / 4];
}

namespace {

using TStringAt = const char* (*)(const void* context, uint32_t index);

std::unique_ptr<VMProgram> Decode(const uint8_t* code, uint32_t length, TStringAt stringAt, const void* context);

struct GameStrings {
    const CGameData* data;
    const CGameResources* res;
};

}  // namespace

std::unique_ptr<VMProgram> VM_Decode(const CGameData& data, const CGameResources& res, const uint8_t* code,
                                     uint32_t length) {
    const GameStrings strings{&data, &res};
    return Decode(
        code, length,
        [](const void* c, uint32_t index) {
            auto* g = static_cast<const GameStrings*>(c);
            return g->res->StringAt(*g->data, index);
        },
        &strings);
}

std::unique_ptr<VMProgram> VM_Decode(const uint8_t* code, uint32_t length, const std::vector<std::string>& strings) {
    auto program = Decode(
        code, length,
        [](const void* c, uint32_t index) -> const char* {
            auto* table = static_cast<const std::vector<std::string>*>(c);
            return index < table->size() ? (*table)[index].c_str() : nullptr;
        },
        &strings);
    program->strings = &strings;
    return program;
}

namespace {

bool IsBranch(uint8_t handler) {
    return handler == hB || handler == hBt || handler == hBf || handler == hPushEnv || handler == hPopEnv;
}

// How much one instruction can add to the stack use, whatever its operands turn out to
// be: a pushed item is at most 16 bytes, a with environment 20; pops and branches add
// nothing. Generous on purpose: this only decides when the machine checks.
int32_t MostGrowth(uint8_t handler) {
    switch (handler) {
    case hNop:
    case hUnary:
    case hPop:
    case hPopLocal:
    case hPopSelf:
    case hPopGlobal:
    case hPopBad:
    case hPopz:
    case hB:
    case hBt:
    case hBf:
    case hPopEnv:
    case hPopEnvBreak:
    case hCallBadType:
    case hRet:
    case hExit:
    case hEnd: return 0;
    default: return 24;
    }
}

// Growth bounds by instruction, last first: along forward paths the use can grow by at
// most the sum of the steps until a backward branch, which checks again for its target.
void BoundGrowth(VMProgram& program) {
    auto& insts = program.insts;
    const size_t n = insts.size();
    std::vector<int64_t> bound(n, 0);
    for (size_t i = n; i-- > 0;) {
        const VMInst& in = insts[i];
        int64_t after = 0;
        if (in.plain != hB && in.plain != hRet && in.plain != hExit && in.plain != hEnd && i + 1 < n)
            after = bound[i + 1];
        if (IsBranch(in.plain) && size_t(in.a) > i && size_t(in.a) < n) after = std::max(after, bound[size_t(in.a)]);
        bound[i] = std::min<int64_t>(MostGrowth(in.plain) + after, int64_t(1) << 30);
    }
    for (size_t i = 0; i < n; ++i) {
        VMInst& in = insts[i];
        if (IsBranch(in.plain))
            in.c = size_t(in.a) <= i && size_t(in.a) < n ? int32_t(bound[size_t(in.a)]) : kNoGrowthCheck;
    }
    program.growth = n ? int32_t(bound[0]) : 0;
}

bool IsArithmetic(const VMInst& in, bool divides) {
    switch (in.plain) {
    case hBinary:
    case hAddDD:
    case hSubDD:
    case hMulDD:
    case hDivDD:
    case hAddII:
    case hSubII:
    case hMulII: break;
    default: return false;
    }
    return in.opcode == kOpAdd || in.opcode == kOpSub || in.opcode == kOpMul ||
           (divides && (in.opcode == kOpDiv || in.opcode == kOpMod));
}

bool IsCompare(const VMInst& in) {
    return (in.plain == hCompare || in.plain == hCmpDD) && in.opcode >= kOpSlt && in.opcode <= kOpSgt;
}
bool IsCondition(const VMInst& in) { return in.plain == hBt || in.plain == hBf; }
// A real-to-int conversion that truncates a real in place.
bool IsIndexConv(const VMInst& in) {
    return in.plain == hConv && (in.typeByte >> 4) == eVM_Int && (in.typeByte & 0x0F) <= eVM_String;
}
// A local array element: the index popped, the scope immediate and local.
bool IsLocalElement(const VMInst& in, uint8_t handler) {
    return in.plain == handler && !(in.b & int32_t(0x80000000u)) && (in.b & 0x20000000) && !(in.b & 0x40000000) &&
           in.c == -7;
}

// Numbers the local variables the unit names, in order of first mention, and gives each
// access its local's slot, so the machine can keep their nodes in an array.
void AssignLocalSlots(VMProgram& program) {
    std::unordered_map<int32_t, int32_t> slots;
    for (VMInst& in : program.insts) {
        const bool access = in.plain == hPushLocal || in.plain == hPopLocal || in.plain == hPushVar || in.plain == hPop;
        if (!access || !(in.b & 0x20000000) || (in.b & 0x40000000) || in.c != -7) continue;
        in.k.i = slots.emplace(in.a, int32_t(slots.size())).first->second;
    }
    program.localSlots = int32_t(slots.size());
}

// Marks the first record of each common sequence with its fused handler.
void Fuse(VMProgram& program) {
    auto& insts = program.insts;
    const size_t n = insts.size();
    auto at = [&](size_t i) -> const VMInst& { return insts[std::min(i, n - 1)]; };
    for (size_t i = 0; i < n; ++i) {
        VMInst& in = insts[i];
        const VMInst &b = at(i + 1), &c = at(i + 2), &d = at(i + 3);
        if (in.plain == hPushLocal) {
            if (b.plain == hPushD && IsCompare(c) && IsCondition(d))
                in.handler = uint8_t(hLocalCmpKBranch + (c.opcode - kOpSlt));
            else if (b.plain == hPushLocal && IsCompare(c) && IsCondition(d))
                in.handler = uint8_t(hLocalCmpLocalBranch + (c.opcode - kOpSlt));
            else if (b.plain == hPushD && IsArithmetic(c, false) && d.plain == hPopLocal)
                in.handler = uint8_t(hLocalOpKPopLocal + VM_ArithmeticIndex(c.opcode));
            else if (b.plain == hPushD && IsArithmetic(c, true))
                in.handler = uint8_t(hLocalOpK + VM_ArithmeticIndex(c.opcode));
            else if (b.plain == hPushLocal && IsArithmetic(c, false))
                in.handler = uint8_t(hLocalOpLocal + VM_ArithmeticIndex(c.opcode));
            else if (IsIndexConv(b) && IsLocalElement(c, hPushVar)) in.handler = hLocalIndexPush;
            else if (IsIndexConv(b) && IsLocalElement(c, hPop)) in.handler = hLocalIndexPop;
        } else if (in.plain == hPushD && IsArithmetic(b, true)) {
            in.handler = uint8_t(hKOp + VM_ArithmeticIndex(b.opcode));
        } else if (IsArithmetic(in, false) && b.plain == hPopLocal) {
            in.handler = uint8_t(hOpPopLocal + VM_ArithmeticIndex(in.opcode));
        }
    }
}

std::unique_ptr<VMProgram> Decode(const uint8_t* code, uint32_t length, TStringAt stringAt, const void* context) {
    auto program = std::make_unique<VMProgram>();
    program->bytecode = code;
    program->length = length;
    program->offsetToIndex.assign(length / 4 + 1, 0);
    auto word = [&](uint32_t at) {
        uint32_t v;
        std::memcpy(&v, code + at, 4);
        return v;
    };

    // First the instruction boundaries, so branches can name instruction indices.
    std::vector<uint32_t> starts;
    for (uint32_t pc = 0; pc + 4 <= length;) {
        starts.push_back(pc);
        pc += 4 + OperandSize(word(pc));
    }
    {
        size_t next = 0;
        for (uint32_t w = 0; w <= length / 4; ++w) {
            while (next < starts.size() && starts[next] < w * 4) ++next;
            program->offsetToIndex[w] = int32_t(next);  // at or after; starts.size() is the end record
        }
    }

    auto& insts = program->insts;
    insts.reserve(starts.size() + 1);
    for (uint32_t pc : starts) {
        uint32_t w = word(pc);
        VMInst in{};
        in.pc = pc;
        in.opcode = uint8_t(w >> 24);
        in.typeByte = uint8_t(w >> 16);
        const uint32_t t1 = in.typeByte & 0xF, t2 = in.typeByte >> 4;
        const int32_t imm = int16_t(w & 0xFFFF);
        const uint32_t operandAt = pc + 4;
        // Decoding must not read past the unit: the loader checked every operand, but
        // a unit may also come from the compiler.
        const bool hasOperand = OperandSize(w) && operandAt + OperandSize(w) <= length;
        auto target = [&]() { return int32_t(program->IndexOfOffset(int64_t(pc) + int64_t(BranchField(w)) * 4)); };
        switch (in.opcode) {
        case kOpConv: in.handler = hConv; break;
        case kOpAdd:
        case kOpSub:
        case kOpMul:
        case kOpDiv:
            if (t1 == eVM_Double && t2 == eVM_Double) {
                in.handler = in.opcode == kOpAdd   ? hAddDD
                             : in.opcode == kOpSub ? hSubDD
                             : in.opcode == kOpMul ? hMulDD
                                                   : hDivDD;
                in.vdelta = -8;
            } else if (t1 == eVM_Int && t2 == eVM_Int && in.opcode != kOpDiv) {
                in.handler = in.opcode == kOpAdd ? hAddII : in.opcode == kOpSub ? hSubII : hMulII;
                in.vdelta = -4;
            } else {
                in.handler = hBinary;
            }
            break;
        case kOpRem:
        case kOpMod:
        case kOpAnd:
        case kOpOr:
        case kOpXor:
        case kOpShl:
        case kOpShr: in.handler = hBinary; break;
        case kOpNeg:
        case kOpNot: in.handler = hUnary; break;
        case kOpSlt:
        case kOpSle:
        case kOpSeq:
        case kOpSne:
        case kOpSge:
        case kOpSgt:
            in.handler = (t1 == eVM_Double && t2 == eVM_Double) ? hCmpDD : hCompare;
            if (in.handler == hCmpDD) in.vdelta = -12;
            break;
        case kOpPush:
            if (!hasOperand && t1 != eVM_Error) {
                in.handler = hNop;
                break;
            }
            switch (t1) {
            case eVM_Double:
                in.handler = hPushD;
                std::memcpy(&in.k.d, code + operandAt, 8);
                in.vdelta = 8;
                break;
            case eVM_Long:
                in.handler = hPushL;
                std::memcpy(&in.k.l, code + operandAt, 8);
                in.vdelta = 8;
                break;
            case eVM_Float:
                in.handler = hPushF;
                std::memcpy(&in.k.f, code + operandAt, 4);
                in.vdelta = 4;
                break;
            case eVM_Int:
                in.handler = hPushI;
                std::memcpy(&in.k.i, code + operandAt, 4);
                in.vdelta = 4;
                break;
            case eVM_Bool:
                in.handler = hPushB;
                std::memcpy(&in.k.i, code + operandAt, 4);
                in.vdelta = 4;
                break;
            case eVM_String: {
                in.handler = hPushS;
                in.k.s = stringAt(context, word(operandAt));
                in.vdelta = 4;
                break;
            }
            case eVM_Error:
                in.handler = hPushE;
                in.k.i = imm;
                in.vdelta = 4;
                break;
            case eVM_Variable:
                // Operands popped before the value: the index, then the scope, when present.
                in.vdelta =
                    16 - VariableOperand(in, word(operandAt), imm, hPushVar, hPushLocal, hPushSelf, hPushGlobal);
                break;
            default: in.handler = hNop; break;
            }
            break;
        case kOpPop: {
            if (!hasOperand || t1 != eVM_Variable) {
                in.handler = hPopBad;
                break;
            }
            in.vdelta = -int32_t(VM_TypeWidth(t2)) -
                        VariableOperand(in, word(operandAt), imm, hPop, hPopLocal, hPopSelf, hPopGlobal);
            break;
        }
        case kOpDup:
            in.handler = hDup;
            in.vdelta = int32_t(VM_TypeWidth(t1));
            break;
        case kOpPopz:
            in.handler = hPopz;
            in.vdelta = -int32_t(VM_TypeWidth(t1));
            break;
        case kOpB:
            in.handler = hB;
            in.a = target();
            break;
        case kOpBt:
            in.handler = hBt;
            in.a = target();
            in.vdelta = -4;
            break;
        case kOpBf:
            in.handler = hBf;
            in.a = target();
            in.vdelta = -4;
            break;
        case kOpPushEnv:
            in.handler = hPushEnv;
            in.a = target();
            break;
        case kOpPopEnv:
            in.handler = in.typeByte == 0xF0 ? hPopEnvBreak : hPopEnv;
            in.a = target();
            break;
        case kOpCall:
            if (!hasOperand) {
                in.handler = hNop;
                break;
            }
            in.handler = t1 == eVM_Int ? hCall : hCallBadType;
            in.a = int32_t(word(operandAt));  // the function id, once linked
            in.c = int32_t(w & 0xFFFF);       // argument count
            break;
        case kOpRet: in.handler = hRet; break;
        case kOpExit: in.handler = hExit; break;
        default: in.handler = hNop; break;
        }
        insts.push_back(in);
    }
    VMInst end{};
    end.handler = hEnd;
    end.pc = length;
    insts.push_back(end);
    for (VMInst& in : insts) in.plain = in.handler;
    BoundGrowth(*program);
    AssignLocalSlots(*program);
    Fuse(*program);
    return program;
}

}  // namespace

namespace {

// Items an instruction needs on the stack and the change it makes when it goes on to
// the next instruction, as the machine executes it.
struct StackEffect {
    int32_t need;
    int32_t delta;
};

// The index and scope items a variable access pops, from its reference bits.
int32_t VariableItems(const VMInst& in) { return (in.b & int32_t(0x80000000u) ? 0 : 1) + (in.b & 0x20000000 ? 0 : 1); }

StackEffect EffectOf(const VMInst& in) {
    switch (in.plain) {
    case hConv:
    case hUnary: return {1, 0};
    case hBinary:
    case hAddDD:
    case hSubDD:
    case hMulDD:
    case hDivDD:
    case hAddII:
    case hSubII:
    case hMulII:
    case hCompare:
    case hCmpDD: return {2, -1};
    case hPushD:
    case hPushF:
    case hPushI:
    case hPushL:
    case hPushB:
    case hPushS:
    case hPushE:
    case hPushLocal:
    case hPushSelf:
    case hPushGlobal: return {0, 1};
    case hPushVar: return {VariableItems(in), 1 - VariableItems(in)};
    case hPop: return {VariableItems(in) + 1, -VariableItems(in) - 1};
    case hPopLocal:
    case hPopSelf:
    case hPopGlobal:
    case hPopz:
    case hBt:
    case hBf:
    case hPopEnvBreak: return {1, -1};
    case hDup: return {1, 1};
    case hPushEnv: return {1, 0};  // the instance operand gives way to the environment item
    case hPopEnv: return {1, -1};  // leaving the block; another pass keeps the item
    case hCall: return {in.c, 1 - in.c};
    default: return {0, 0};
    }
}

bool Branches(const VMInst& in) { return IsBranch(in.plain); }

}  // namespace

int64_t VM_CheckStack(const VMProgram& program) {
    const auto& insts = program.insts;
    const size_t n = insts.size();
    // Depth on entry per instruction (-1: not reached yet), then the instructions to walk.
    std::vector<int32_t> work(2 * n, -1);
    int32_t* depth = work.data();
    int32_t* pending = work.data() + n;
    size_t top = 0;
    // Gives `at` its depth on entry, or says it already has a different one.
    auto reach = [&](size_t at, int32_t d) {
        if (depth[at] < 0) {
            depth[at] = d;
            pending[top++] = int32_t(at);
            return true;
        }
        return depth[at] == d;
    };
    if (n) reach(0, 0);
    while (top) {
        const size_t i = size_t(pending[--top]);
        const VMInst& in = insts[i];
        const int32_t d = depth[i];
        if (in.plain == hEnd || in.plain == hRet || in.plain == hExit) continue;
        const StackEffect e = EffectOf(in);
        if (e.need < 0 || d < e.need) return in.pc;
        if (Branches(in)) {
            uint32_t w;
            std::memcpy(&w, program.bytecode + in.pc, 4);
            const int64_t to = int64_t(in.pc) + int64_t(BranchField(w)) * 4;
            if (to < 0 || to > int64_t(program.length)) return in.pc;
            // A jump keeps the depth the instruction leaves; a with block's pass back
            // to its body keeps its environment item.
            const int32_t taken = in.plain == hPopEnv ? d : d + e.delta;
            if (!reach(size_t(in.a), taken)) return in.pc;
            if (in.plain == hB) continue;
        }
        if (i + 1 < n && !reach(i + 1, d + e.delta)) return in.pc;
    }
    return -1;
}

int64_t VM_CheckStack(const uint8_t* code, uint32_t length) {
    auto program = Decode(
        code, length, [](const void*, uint32_t) -> const char* { return nullptr; }, nullptr);
    return VM_CheckStack(*program);
}
