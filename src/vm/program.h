#pragma once
// A code unit's bytecode decoded once into the machine's internal form: one record
// per instruction with its operands resolved (string constants to their text, branch
// targets to instruction indices), and a handler chosen for the common type pairs.
// Every observable behaviour is that of the bytecode: listings, traces and error
// reports use the original byte offsets kept in each record.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/game_data.h"
#include "data/game_resources.h"

enum VMOpcode : uint8_t {
    kOpConv = 0x03,
    kOpMul = 0x04,
    kOpDiv = 0x05,
    kOpRem = 0x06,
    kOpMod = 0x07,
    kOpAdd = 0x08,
    kOpSub = 0x09,
    kOpAnd = 0x0A,
    kOpOr = 0x0B,
    kOpXor = 0x0C,
    kOpNeg = 0x0D,
    kOpNot = 0x0E,
    kOpShl = 0x0F,
    kOpShr = 0x10,
    kOpSlt = 0x11,
    kOpSle = 0x12,
    kOpSeq = 0x13,
    kOpSne = 0x14,
    kOpSge = 0x15,
    kOpSgt = 0x16,
    kOpPop = 0x41,
    kOpDup = 0x82,
    kOpRet = 0x9D,
    kOpExit = 0x9E,
    kOpPopz = 0x9F,
    kOpB = 0xB7,
    kOpBt = 0xB8,
    kOpBf = 0xB9,
    kOpPushEnv = 0xBB,
    kOpPopEnv = 0xBC,
    kOpPush = 0xC0,
    kOpCall = 0xDA,
    kOpBreak = 0xFF,
};

// Internal handlers; several per bytecode opcode where a type pair deserves its own.
enum VMHandler : uint8_t {
    hNop,
    hConv,
    hBinary,  // generic arithmetic through the item rules
    hAddDD,
    hSubDD,
    hMulDD,
    hDivDD,
    hAddII,
    hSubII,
    hMulII,
    hUnary,
    hCompare,  // generic comparison
    hCmpDD,    // double/double comparison, the opcode in `a`
    hPushD,
    hPushF,
    hPushI,
    hPushL,
    hPushB,
    hPushS,
    hPushE,
    hPushVar,    // generic variable read
    hPushLocal,  // local scope, immediate, no index
    hPushSelf,
    hPushGlobal,
    hPop,  // generic variable write
    hPopLocal,
    hPopSelf,
    hPopGlobal,
    hPopBad,  // destination type not variable
    hDup,
    hPopz,
    hB,
    hBt,
    hBf,
    hPushEnv,
    hPopEnv,
    hPopEnvBreak,
    hCall,
    hCallBadType,
    hRet,
    hExit,
    hEnd,  // past the last instruction
    // Fused sequences, set on the first record of the sequence; `plain` keeps its own
    // handler and the records after it stay as they are. Each takes its shortcut only
    // when nothing but plain reals is involved, and otherwise runs the first record
    // plainly, so every other case goes exactly the unfused way.
    // The comparing ones have a handler per comparison, in opcode order from slt to sgt.
    hLocalCmpKBranch,  // push.v local; push.d; compare; bf/bt
    hLocalCmpKBranchSle,
    hLocalCmpKBranchSeq,
    hLocalCmpKBranchSne,
    hLocalCmpKBranchSge,
    hLocalCmpKBranchSgt,
    hLocalCmpLocalBranch,  // push.v local; push.v local; compare; bf/bt
    hLocalCmpLocalBranchSle,
    hLocalCmpLocalBranchSeq,
    hLocalCmpLocalBranchSne,
    hLocalCmpLocalBranchSge,
    hLocalCmpLocalBranchSgt,
    // The arithmetic ones have a handler per operation, in the order add, sub, mul (then
    // div, mod where they take those): the first one's value plus VM_ArithmeticIndex.
    hLocalOpK,  // push.v local; push.d; add/sub/mul/div/mod
    hLocalOpKSub,
    hLocalOpKMul,
    hLocalOpKDiv,
    hLocalOpKMod,
    hLocalOpLocal,  // push.v local; push.v local; add/sub/mul
    hLocalOpLocalSub,
    hLocalOpLocalMul,
    hKOp,  // push.d; add/sub/mul/div/mod on the item below
    hKOpSub,
    hKOpMul,
    hKOpDiv,
    hKOpMod,
    hOpPopLocal,  // add/sub/mul; pop.v local
    hOpPopLocalSub,
    hOpPopLocalMul,
    hLocalOpKPopLocal,  // push.v local; push.d; add/sub/mul; pop.v local
    hLocalOpKPopLocalSub,
    hLocalOpKPopLocalMul,
    hLocalIndexPush,  // push.v local; conv to int; push.v local array element
    hLocalIndexPop,   // push.v local; conv to int; pop.v local array element
    hCount
};

// The place of an arithmetic opcode among a fused sequence's handlers (see hLocalOpK).
constexpr int VM_ArithmeticIndex(uint8_t opcode) {
    switch (opcode) {
    case kOpSub: return 1;
    case kOpMul: return 2;
    case kOpDiv: return 3;
    case kOpMod: return 4;
    default: return 0;
    }
}

// A branch's growth bound when its target lies ahead: no check is needed there.
constexpr int32_t kNoGrowthCheck = -(1 << 30);

struct VMInst {
    uint8_t handler;
    uint8_t opcode;
    uint8_t typeByte;  // bits 16..23 of the word
    uint8_t plain;     // the unfused handler: traces and the checked dispatch run it
    int32_t vdelta;    // stack use change in bytes, for instructions whose change is fixed
    uint32_t pc;       // byte offset of the instruction
    int32_t a;         // immediate, variable id, function id, argument count, branch target index
    int32_t b;         // scope operand, reference bits
    int32_t c;         // branches: the growth bound at a backward target (see VMProgram::growth)
    // Constants; for a local variable access (scope -7 immediate) `i` is the local's slot.
    union {
        double d;
        int64_t l;
        float f;
        int32_t i;
        const char* s;
    } k;
};

class VMProgram {
public:
    std::vector<VMInst> insts;  // ends with an hEnd record at the unit's length
    uint32_t length = 0;        // bytes of bytecode
    const uint8_t* bytecode = nullptr;
    // A unit compiled from text resolves push.s through its own table (null: STRG).
    const std::vector<std::string>* strings = nullptr;

    // Index of the instruction at or after a byte offset (the end record past the end).
    int IndexOfOffset(int64_t offset) const;
    std::vector<int32_t> offsetToIndex;  // per word of the bytecode
    // The most the stack use can grow from the first instruction before a backward
    // branch or the end: a run starting with that much room left needs no growth
    // check per instruction. Backward branches carry the same bound for their target.
    int32_t growth = 0;
    // Distinct local variables the unit names; each access record holds its local's slot.
    int32_t localSlots = 0;
};

// Decodes a linked unit; string operands are STRG indices.
std::unique_ptr<VMProgram> VM_Decode(const CGameData& data, const CGameResources& res, const uint8_t* code,
                                     uint32_t length);
// Decodes a unit the compiler made: string operands index `strings`, which must outlive
// the program and stay unchanged.
std::unique_ptr<VMProgram> VM_Decode(const uint8_t* code, uint32_t length, const std::vector<std::string>& strings);

// Checks that every path through a unit keeps its stack at or above the unit's base,
// reaches each instruction with one stack depth and branches only inside the unit.
// Returns the byte offset of the first instruction at fault, or -1 when the unit is sound.
// Linear in the unit's size; instructions no path reaches are not looked at.
int64_t VM_CheckStack(const VMProgram& program);
// The same for raw bytecode, decoded only to be checked (strings are not resolved).
int64_t VM_CheckStack(const uint8_t* code, uint32_t length);
