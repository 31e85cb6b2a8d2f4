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
    hExpr,            // a whole expression over plain reals: see VMExpr
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
    int16_t vdelta;    // stack use change in bytes, for instructions whose change is fixed
    uint16_t expr;     // hExpr: the expression's index in VMProgram::exprs
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

// A stretch of records that computes one value from reals alone and then stores it
// into a variable, branches on a comparison of two such values, or leaves it on the
// stack. Its record runs it in one step over machine doubles when every operand it
// reads holds a plain real and no operation has more to say (a zero divisor); anything
// else runs the records plainly from the first, so nothing differs but the speed. The
// steps read nothing but variables and change nothing until the end.
struct VMExprStep {
    enum Kind : uint8_t {
        // Operands pushed: a real read, or a constant.
        kLocal,        // a: slot, b: variable id
        kConstant,     // k
        kArgument,     // a: argument number
        kSelfUser,     // b: variable id (a user variable of self)
        kSelfBuiltin,  // b: variable id (a built-in whose getter only reads a field)
        kGlobal,       // b: variable id
        kUnqualified,  // a: the record's index (see the machine's unqualified access)
        kElement,      // a local array's element at a local index: a, b the index's slot and
                       // id, c, d the array's
        kNegate,
        // The last step: what happens to the value (see VMExpr::End), the branches in
        // comparison order from slt to sgt.
        kStoreLocal,
        kStoreSelfUser,
        kStoreSelfBuiltin,  // through the built-in's setter
        kStoreGlobal,
        kStoreUnqualified,
        kStoreElement,  // into a local array's element at a local index, as kElement
        kPushVariable,
        kPushDouble,
        kBranchSlt,
        kBranchSle,
        kBranchSeq,
        kBranchSne,
        kBranchSge,
        kBranchSgt,
        // Operations on the two top values, then the same with the right operand a
        // constant (k) or a local (a: slot, b: variable id) instead of the top value;
        // each group in the order add, sub, mul, div, mod.
        kAdd,
        kSub,
        kMul,
        kDiv,
        kMod,
        kAddConstant,
        kSubConstant,
        kMulConstant,
        kDivConstant,
        kModConstant,
        kAddLocal,
        kSubLocal,
        kMulLocal,
        kDivLocal,
        kModLocal,
        kKindCount
    };
    uint8_t kind;
    int32_t a;
    int32_t b;
    union {
        double k;
        struct {
            int32_t c;
            int32_t d;
        };
    };
};

struct VMExpr {
    enum End : uint8_t {
        kStoreLocal,
        kStoreSelfUser,
        kStoreSelfBuiltin,
        kStoreGlobal,
        kStoreUnqualified,
        kStoreElement,
        kBranch,
        kPush
    };
    uint32_t first;  // its first step in VMProgram::exprSteps; the last is its end
    uint8_t end;
    uint8_t compare;        // kBranch: the comparison's opcode
    bool variable;          // kPush: the item is a variable (else a double)
    bool clearsIndexError;  // reads a built-in or an argument, which clears the index error
    int32_t records;        // records it spans; the last is the store, the branch or the last push
    int32_t slot;           // kStoreLocal: the local's slot
    int32_t id;             // the stored variable's id
    int32_t record;         // kStoreUnqualified: the store record's index
    int32_t used;           // the change in stack use the records make, as they count it
};

// argument0 .. argument15 have consecutive built-in ids from here.
constexpr int32_t kArgument0Id = 2;

// The deepest value stack an expression may need.
constexpr int kExprDepth = 8;

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
    std::vector<VMExpr> exprs;
    std::vector<VMExprStep> exprSteps;
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
