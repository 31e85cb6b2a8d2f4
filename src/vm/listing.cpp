// The instruction listing: offset, bytes, mnemonic with its type suffixes, operand.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "variable/variables.h"
#include "vm/item.h"
#include "vm/machine.h"
#include "vm/program.h"
#include "vm/registry.h"
#include "vm/script.h"

namespace {

const char* Mnemonic(uint32_t opcode) {
    switch (opcode) {
    case kOpConv: return "conv";
    case kOpMul: return "mul";
    case kOpDiv: return "div";
    case kOpRem: return "rem";
    case kOpMod: return "mod";
    case kOpAdd: return "add";
    case kOpSub: return "sub";
    case kOpAnd: return "and";
    case kOpOr: return "or";
    case kOpXor: return "xor";
    case kOpNeg: return "neg";
    case kOpNot: return "not";
    case kOpShl: return "shl";
    case kOpShr: return "shr";
    case kOpSlt: return "slt";
    case kOpSle: return "sle";
    case kOpSeq: return "seq";
    case kOpSne: return "sne";
    case kOpSge: return "sge";
    case kOpSgt: return "sgt";
    case kOpPop: return "pop";
    case kOpDup: return "dup";
    case kOpRet: return "ret";
    case kOpExit: return "exit";
    case kOpPopz: return "popz";
    case kOpB: return "b";
    case kOpBt: return "bt";
    case kOpBf: return "bf";
    case kOpPushEnv: return "pushenv";
    case kOpPopEnv: return "popenv";
    case kOpPush: return "push";
    case kOpCall: return "call";
    case kOpBreak: return "break";
    default: return nullptr;
    }
}

enum Form { kTwoTypes, kOneType, kBranch, kNone };

Form FormOf(uint32_t opcode) {
    if (opcode >= kOpConv && opcode <= kOpSgt && opcode != kOpNeg && opcode != kOpNot) return kTwoTypes;
    if (opcode == kOpPop) return kTwoTypes;
    if (opcode == kOpB || opcode == kOpBt || opcode == kOpBf || opcode == kOpPushEnv || opcode == kOpPopEnv)
        return kBranch;
    return kOneType;
}

uint32_t OperandSize(uint32_t word) {
    if (!((word >> 24) & 0x40)) return 0;
    uint32_t w = VM_TypeWidth((word >> 16) & 0xF);
    return w == 16 ? 4 : w;
}

std::string ScopeText(int32_t scope) {
    switch (scope) {
    case -1: return "self";
    case -2: return "other";
    case -3: return "all";
    case -4: return "noone";
    case -5: return "global";
    case -6: return "builtin";
    case -7: return "local";
    default: return std::to_string(scope);
    }
}

std::string VariableText(uint32_t word, uint32_t ref) {
    std::string scope =
        (ref & 0x20000000u) ? ScopeText(int16_t(word & 0xFFFF) + ((ref & 0x40000000u) ? 100000 : 0)) : "stack";
    std::string text = scope + "." + Variable_Name(int(ref & 0x1FFFFFFF));
    if (!(ref & 0x80000000u)) text += "[]";
    return text;
}

}  // namespace

std::string VM_ListInstruction(const CGameData& data, const CGameResources& res, const uint8_t* code, uint32_t length,
                               uint32_t pc, const std::vector<std::string>* strings) {
    if (pc + 4 > length) return "";
    uint32_t word;
    std::memcpy(&word, code + pc, 4);
    uint32_t opcode = word >> 24, t1 = (word >> 16) & 0xF, t2 = (word >> 20) & 0xF;
    const char* name = Mnemonic(opcode);
    if (!name) return "unknown";
    std::string text = name;
    Form form = FormOf(opcode);
    if (form == kTwoTypes) {
        text += VM_TypeSuffix(t1);
        text += VM_TypeSuffix(t2);
    } else if (form == kOneType) {
        text += VM_TypeSuffix(t1);
    }
    uint32_t size = OperandSize(word);
    bool hasOperand = size && pc + 4 + size <= length;
    char buf[128];
    std::string operand;
    if (form == kBranch) {
        int32_t field = int32_t(word & 0xFFFFFF);
        if (field & 0x800000) field -= 0x1000000;
        std::snprintf(buf, sizeof buf, "0x%08x", uint32_t(int64_t(pc) + int64_t(field) * 4));
        operand = buf;
        if (opcode == kOpPopEnv && ((word >> 16) & 0xFF) == 0xF0) operand = "break";
    } else if (opcode == kOpPush && t1 == eVM_Error) {
        operand = std::to_string(int16_t(word & 0xFFFF));
    } else if (hasOperand) {
        const uint8_t* p = code + pc + 4;
        uint32_t u32;
        std::memcpy(&u32, p, 4);
        if (opcode == kOpCall) {
            const char* fn = nullptr;
            if (int32_t(u32) >= 0 && int32_t(u32) < kScriptIdBase) {
                const FunctionEntry* e = Function_Entry(int32_t(u32));
                fn = e ? e->name : nullptr;
            } else if (int32_t(u32) >= kScriptIdBase && int32_t(u32) <= kExtensionIdBase) {
                size_t s = size_t(u32 - kScriptIdBase);
                if (s < res.scripts.size() && res.scripts[s]) fn = res.scripts[s]->name.c_str();
            }
            operand = (fn ? std::string(fn) : "function " + std::to_string(int32_t(u32))) + " " +
                      std::to_string(word & 0xFFFF);
        } else if (opcode == kOpPush || opcode == kOpPop) {
            switch (t1) {
            case eVM_Double: {
                double d;
                std::memcpy(&d, p, 8);
                std::snprintf(buf, sizeof buf, "%.17g", d);
                operand = buf;
                break;
            }
            case eVM_Float: {
                float f;
                std::memcpy(&f, p, 4);
                std::snprintf(buf, sizeof buf, "%.9g", double(f));
                operand = buf;
                break;
            }
            case eVM_Int: operand = std::to_string(int32_t(u32)); break;
            case eVM_Long: {
                int64_t l;
                std::memcpy(&l, p, 8);
                std::snprintf(buf, sizeof buf, "%lld", (long long)l);
                operand = buf;
                break;
            }
            case eVM_Bool: operand = (u32 & 0xFF) ? "true" : "false"; break;
            case eVM_String: {
                const char* s = !strings                ? res.StringAt(data, u32)
                                : u32 < strings->size() ? (*strings)[u32].c_str()
                                                        : nullptr;
                operand = "\"" + std::string(s ? s : "") + "\"";
                break;
            }
            case eVM_Variable: operand = VariableText(word, u32); break;
            default: break;
            }
        } else {
            operand = std::to_string(int32_t(u32));
        }
    }
    if (!operand.empty()) {
        if (text.size() < 12) text.resize(12, ' ');
        else text += ' ';
        text += operand;
    }
    return text;
}

std::string VM_Listing(const CGameData& data, const CGameResources& res, const uint8_t* code, uint32_t length,
                       const std::vector<std::string>* strings) {
    std::string out;
    char buf[64];
    for (uint32_t pc = 0; pc + 4 <= length;) {
        uint32_t word;
        std::memcpy(&word, code + pc, 4);
        uint32_t size = OperandSize(word);
        if (pc + 4 + size > length) size = 0;
        std::snprintf(buf, sizeof buf, "%08x : ", pc);
        std::string line = buf;
        for (uint32_t i = 0; i < 4 + size; ++i) {
            std::snprintf(buf, sizeof buf, "%02x", code[pc + i]);
            line += buf;
        }
        line.resize(std::max<size_t>(line.size() + 1, 11 + 24 + 2), ' ');
        line += VM_ListInstruction(data, res, code, length, pc, strings);
        out += line;
        out += '\n';
        pc += 4 + size;
    }
    return out;
}
