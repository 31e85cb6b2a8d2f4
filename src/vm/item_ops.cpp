#include "vm/item_ops.h"

#include <cmath>
#include <cstring>
#include <string>

#include "platform/memory.h"
#include "value/real.h"

// Every operation first reduces its operands to one of a few plain kinds (a variable
// item becomes the double or the text it holds), then works by the pair of kinds.
// The slot's own type tag says what an item is; for well-formed code it agrees with
// the instruction's type byte, and trusting the tag means a mismatch can never make
// us read a text pointer out of a number.

namespace {

enum class N : uint8_t { Double, Float, Int, Long, Bool, String };

struct Operand {
    N t = N::Double;
    double d = 0;
    float f = 0;
    int32_t i = 0;
    int64_t l = 0;
    bool b = false;
    const char* s = nullptr;  // still owned by the slot

    double AsDouble() const { return t == N::Int ? static_cast<double>(i) : d; }
};

constexpr int Pair(N a, N b) { return static_cast<int>(a) * 8 + static_cast<int>(b); }
constexpr int DD = Pair(N::Double, N::Double);
constexpr int DI = Pair(N::Double, N::Int);
constexpr int ID = Pair(N::Int, N::Double);
constexpr int II = Pair(N::Int, N::Int);
constexpr int DL = Pair(N::Double, N::Long);
constexpr int IB = Pair(N::Int, N::Bool);
constexpr int BI = Pair(N::Bool, N::Int);
constexpr int BB = Pair(N::Bool, N::Bool);
constexpr int SS = Pair(N::String, N::String);

constexpr const char* kMalformed = "Malformed variable";
constexpr const char* kMalformedMul = "Variable is malformed";
constexpr const char* kConvError = "DoConv :: Execution Error";
constexpr const char* kCompareError = "DoSet :: Invalid comparison type";
constexpr const char* kUnknownOp = "Execution Engine - Unknown operation";

// Reduces an item to its plain kind. `noText` is the message of an operation that
// cannot take text (null when it can).
const char* Normalise(const VMSlot& slot, Operand& out, const char* malformed, const char* noText) {
    switch (slot.type) {
    case eVM_Double:
        out.t = N::Double;
        out.d = slot.d;
        break;
    case eVM_Float:
        out.t = N::Float;
        out.f = slot.f;
        break;
    case eVM_Int:
        out.t = N::Int;
        out.i = slot.i;
        break;
    case eVM_Long:
        out.t = N::Long;
        out.l = slot.l;
        break;
    case eVM_Bool:
        out.t = N::Bool;
        out.b = slot.Truth();
        break;
    case eVM_String:
        out.t = N::String;
        out.s = slot.str;
        break;
    case eVM_Variable:
        if (slot.kind == CValue::kReal) {
            out.t = N::Double;
            out.d = slot.d;
        } else if (slot.kind == CValue::kString) {
            out.t = N::String;
            out.s = slot.str;
        } else {
            return malformed;
        }
        break;
    default:
        // Not an item at all (the error type or a broken slot).
        return malformed;
    }
    if (out.t == N::String && noText != nullptr) return noText;
    return nullptr;
}

// Both operands are consumed even when the operation fails; `left` is left as the
// harmless real 0 so whoever pops it later finds nothing to free.
const char* FailBinary(VMSlot& left, VMSlot& right, const char* message, VMSlot harmless = VMSlot::Real(0)) {
    left.Release();
    right.Release();
    left = harmless;
    return message;
}

const char* FailOne(VMSlot& item, const char* message) {
    item.Release();
    item = VMSlot::Real(0);
    return message;
}

// 32-bit arithmetic wraps, as the machine's registers did; unsigned avoids UB.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t WrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// INT_MIN / -1 overflows; it wraps to INT_MIN (remainder 0) instead of trapping.
int32_t IntQuotient(int32_t a, int32_t b) { return b == -1 ? WrapSub(0, a) : a / b; }
int32_t IntRemainder(int32_t a, int32_t b) { return b == -1 ? 0 : a % b; }

char* Concat(const char* a, const char* b) {
    const size_t la = a ? std::strlen(a) : 0;
    const size_t lb = b ? std::strlen(b) : 0;
    char* text = Text_Alloc(la + lb);
    if (text == nullptr) return nullptr;
    if (la != 0) std::memcpy(text, a, la);
    if (lb != 0) std::memcpy(text + la, b, lb);
    text[la + lb] = '\0';
    return text;
}

// Null when the result could not be had (too long for one block or no memory).
char* Repeat(const char* s, int64_t count, bool& failed) {
    failed = false;
    const size_t length = s ? std::strlen(s) : 0;
    if (count <= 0 || length == 0) return Text_Duplicate(std::string_view());
    if (static_cast<uint64_t>(count) > (MemoryManager::kMaxBlockSize - 1) / length) {
        failed = true;
        return nullptr;
    }
    const size_t total = length * static_cast<size_t>(count);
    char* text = Text_Alloc(total);
    if (text == nullptr) {
        failed = true;
        return nullptr;
    }
    for (size_t at = 0; at < total; at += length) std::memcpy(text + at, s, length);
    text[total] = '\0';
    return text;
}

// The result of a binary operation as a plain item; made a variable item when either
// operand was one.
//
// Which kind that variable gets: the kind of the value the operation produced, not
// the kind of the variable operand. The two only differ for a number variable times a
// text, which produces a text; labelling that result "real" would lose it.
VMSlot Place(const VMSlot& result, bool asVariable) {
    if (!asVariable) return result;
    switch (result.type) {
    case eVM_Double: return VMSlot::Real(result.d);
    case eVM_Int: return VMSlot::Real(static_cast<double>(result.i));
    case eVM_Bool: return VMSlot::Real(result.Truth() ? 1.0 : 0.0);
    case eVM_String: return VMSlot::Text(result.str);
    default: return result;
    }
}

int64_t ShiftCount64(const Operand& b) {
    // Only the low eight bits of the count matter.
    return (b.t == N::Int ? static_cast<int64_t>(b.i) : Real_TruncToInt64(b.d)) & 0xFF;
}

int64_t Shl64(int64_t v, int64_t n) {
    if (n >= 64) return 0;
    return static_cast<int64_t>(static_cast<uint64_t>(v) << n);
}

int64_t Shr64(int64_t v, int64_t n) {
    if (n >= 64) return v < 0 ? -1 : 0;
    return v >> n;  // arithmetic
}

int32_t Shl32(int32_t v, int64_t n) { return static_cast<int32_t>(static_cast<uint32_t>(v) << (n & 31)); }
int32_t Shr32(int32_t v, int64_t n) { return v >> (n & 31); }

struct BinaryOp {
    const char* malformed;
    const char* noText;     // null: the operation takes text
    const char* execError;  // any pair it does not take
    const char* divZero;    // div/rem/mod
};

constexpr BinaryOp kMul{kMalformedMul, nullptr, "DoMul :: Execution Error", nullptr};
constexpr BinaryOp kDiv{kMalformed, "DoDiv :: Execution Engine - Cannot operate on string type",
                        "DoDiv :: Execution Error", "DoDiv :: Divide by zero"};
constexpr BinaryOp kRem{kMalformed, "DoRem :: Execution Engine - Cannot operate on string type",
                        "DoRem :: Execution Error", "DoRem :: Divide by zero"};
constexpr BinaryOp kMod{kMalformed, "DoMod :: Execution Engine - Cannot operate on string type",
                        "DoMod :: Execution Error", "DoMod :: Divide by zero"};
constexpr BinaryOp kAdd{kMalformed, nullptr, "DoAdd :: Execution Error", nullptr};
// Sub's pair error has no space before the colons; scripts that match on error_last
// see exactly this text, so it stays as it always was.
constexpr BinaryOp kSub{kMalformed, "DoSub :: Execution Engine - Cannot operate on string type",
                        "DoSub:: Execution Error", nullptr};
constexpr BinaryOp kAnd{kMalformed, "DoAnd :: Execution Engine - Cannot operate on string type",
                        "DoAnd :: Execution Error", nullptr};
constexpr BinaryOp kOr{kMalformed, "DoOr :: Execution Engine - Cannot operate on string type",
                       "DoOr :: Execution Error", nullptr};
constexpr BinaryOp kXor{kMalformed, "DoXor :: Execution Engine - Cannot operate on string type",
                        "DoXor :: Execution Error", nullptr};
constexpr BinaryOp kShl{kMalformed, "DoShl :: Execution Engine - Cannot operate on string type",
                        "DoShl :: Execution Error", nullptr};
constexpr BinaryOp kShr{kMalformed, "DoShr :: Execution Engine - Cannot operate on string type",
                        "DoShr :: Execution Error", nullptr};

const BinaryOp* BinaryOpOf(uint8_t opcode) {
    switch (opcode) {
    case 0x04: return &kMul;
    case 0x05: return &kDiv;
    case 0x06: return &kRem;
    case 0x07: return &kMod;
    case 0x08: return &kAdd;
    case 0x09: return &kSub;
    case 0x0A: return &kAnd;
    case 0x0B: return &kOr;
    case 0x0C: return &kXor;
    case 0x0F: return &kShl;
    case 0x10: return &kShr;
    default: return nullptr;
    }
}

// Computes one binary operation on plain operands. Null and `out` set, or the error.
const char* Compute(uint8_t opcode, const BinaryOp& op, const Operand& a, const Operand& b, VMSlot& out) {
    const int pair = Pair(a.t, b.t);
    const bool numeric = pair == DD || pair == DI || pair == ID;  // II handled apart
    const double x = a.AsDouble();
    const double y = b.AsDouble();

    switch (opcode) {
    case 0x08:  // add
        if (pair == II) {
            out = VMSlot::Int(WrapAdd(a.i, b.i));
            return nullptr;
        }
        if (numeric) {
            out = VMSlot::Double(x + y);
            return nullptr;
        }
        if (pair == SS) {
            char* text = Concat(a.s, b.s);
            if (text == nullptr) return op.execError;
            out = VMSlot::String(text);
            return nullptr;
        }
        return op.execError;

    case 0x09:  // sub
        if (pair == II) {
            out = VMSlot::Int(WrapSub(a.i, b.i));
            return nullptr;
        }
        if (numeric) {
            out = VMSlot::Double(x - y);
            return nullptr;
        }
        return op.execError;

    case 0x04:  // mul
        if (pair == II) {
            out = VMSlot::Int(WrapMul(a.i, b.i));
            return nullptr;
        }
        if (numeric) {
            out = VMSlot::Double(x * y);
            return nullptr;
        }
        if ((a.t == N::Double || a.t == N::Int) && b.t == N::String) {
            // The count truncates toward zero; on 64 bits, so a huge count is refused
            // for its size instead of wrapping to some small number.
            const int64_t count = a.t == N::Int ? a.i : Real_TruncToInt64(a.d);
            bool failed = false;
            char* text = Repeat(b.s, count, failed);
            if (failed) return op.execError;
            out = VMSlot::String(text);
            return nullptr;
        }
        return op.execError;

    case 0x05:  // div
    case 0x06:  // rem
    case 0x07:  // mod
        if (!numeric && pair != II) return op.execError;
        if (opcode == 0x07) {
            // Floating remainder: the sign follows the left operand, and a zero divisor
            // simply gives NaN.
            if (numeric) {
                out = VMSlot::Double(Real_Remainder(x, y));
                return nullptr;
            }
            // The int remainder by 0 has no answer; we report it like division does.
            if (b.i == 0) return op.divZero;
            out = VMSlot::Int(IntRemainder(a.i, b.i));
            return nullptr;
        }
        if (b.t == N::Int ? b.i == 0 : Real_IsZeroDivisor(b.d)) return op.divZero;
        if (pair == II) {
            out = VMSlot::Int(IntQuotient(a.i, b.i));
            return nullptr;
        }
        if (opcode == 0x05) {
            out = VMSlot::Double(x / y);
            return nullptr;
        }
        // Integer division of reals: the quotient truncated to 32 bits, kept as a real.
        out = VMSlot::Double(static_cast<double>(Real_TruncToInt32(x / y)));
        return nullptr;

    case 0x0A:    // and
    case 0x0B:    // or
    case 0x0C: {  // xor
        auto apply = [opcode](auto p, auto q) { return opcode == 0x0A ? (p & q) : opcode == 0x0B ? (p | q) : (p ^ q); };
        if (pair == BB) {
            out = VMSlot::Bool(apply(a.b, b.b));
            return nullptr;
        }
        if (pair == II) {
            out = VMSlot::Int(apply(a.i, b.i));
            return nullptr;
        }
        if (numeric) {
            const int64_t p = a.t == N::Int ? a.i : Real_TruncToInt64(a.d);
            const int64_t q = b.t == N::Int ? b.i : Real_TruncToInt64(b.d);
            out = VMSlot::Double(static_cast<double>(apply(p, q)));
            return nullptr;
        }
        return op.execError;
    }

    case 0x0F:    // shl
    case 0x10: {  // shr
        const bool left = opcode == 0x0F;
        // Every count is masked or range-checked before it reaches a shift, so no
        // count a script can produce is undefined.
        if (pair == DD || pair == DI) {
            const int64_t v = Real_TruncToInt64(a.d);
            const int64_t n = ShiftCount64(b);
            out = VMSlot::Double(static_cast<double>(left ? Shl64(v, n) : Shr64(v, n)));
            return nullptr;
        }
        if (pair == ID) {
            const int64_t n = Real_TruncToInt64(b.d);
            out = VMSlot::Double(static_cast<double>(left ? Shl32(a.i, n) : Shr32(a.i, n)));
            return nullptr;
        }
        if (pair == II) {
            out = VMSlot::Int(left ? Shl32(a.i, b.i) : Shr32(a.i, b.i));
            return nullptr;
        }
        return op.execError;
    }
    default: return kUnknownOp;
    }
}

std::string IntText(int64_t v) { return std::to_string(v); }

}  // namespace

const char* VMOp_Binary(uint8_t opcode, VMSlot& left, VMSlot& right) {
    const BinaryOp* op = BinaryOpOf(opcode);
    if (op == nullptr) return FailBinary(left, right, kUnknownOp);
    Operand a, b;
    if (const char* e = Normalise(left, a, op->malformed, op->noText)) return FailBinary(left, right, e);
    if (const char* e = Normalise(right, b, op->malformed, op->noText)) return FailBinary(left, right, e);

    VMSlot result = VMSlot::Real(0);
    if (const char* e = Compute(opcode, *op, a, b, result)) return FailBinary(left, right, e);

    // Texts in results are always fresh, so both operands' texts can go now.
    const bool asVariable = left.type == eVM_Variable || right.type == eVM_Variable;
    left.Release();
    right.Release();
    left = Place(result, asVariable);
    return nullptr;
}

const char* VMOp_Unary(uint8_t opcode, VMSlot& item) {
    const char* noText;
    if (opcode == 0x0D) {
        noText = "DoNeg :: Execution Engine - Cannot operate on string type";
    } else if (opcode == 0x0E) {
        noText = "DoNot :: Execution Engine - Cannot operate on string type";
    } else {
        return FailOne(item, kUnknownOp);
    }
    Operand a;
    if (const char* e = Normalise(item, a, kMalformed, noText)) return FailOne(item, e);
    const bool variable = item.type == eVM_Variable;  // of kind real, by now

    if (opcode == 0x0D) {
        switch (a.t) {
        case N::Double: item = variable ? VMSlot::Real(-a.d) : VMSlot::Double(-a.d); break;
        case N::Float: item = VMSlot::Float(-a.f); break;
        case N::Int: item = VMSlot::Int(WrapSub(0, a.i)); break;
        case N::Long: item = VMSlot::Long(static_cast<int64_t>(0ull - static_cast<uint64_t>(a.l))); break;
        // Negating a truth value is refused with the same words as a text.
        default: return FailOne(item, noText);
        }
        return nullptr;
    }
    switch (a.t) {
    case N::Double: {
        const double v = static_cast<double>(~Real_TruncToInt64(a.d));
        item = variable ? VMSlot::Real(v) : VMSlot::Double(v);
        break;
    }
    // A float goes through a plain 32-bit integer on its way to the complement.
    case N::Float: item = VMSlot::Float(static_cast<float>(~Real_TruncToInt32(a.f))); break;
    case N::Int: item = VMSlot::Int(~a.i); break;
    case N::Long: item = VMSlot::Long(~a.l); break;
    case N::Bool: item = VMSlot::Bool(!a.b); break;
    default: return FailOne(item, noText);
    }
    return nullptr;
}

const char* VMOp_Compare(uint8_t opcode, VMSlot& left, VMSlot& right) {
    if (opcode < 0x11 || opcode > 0x16) return FailBinary(left, right, kUnknownOp, VMSlot::Bool(false));
    Operand a, b;
    if (const char* e = Normalise(left, a, kMalformed, nullptr)) return FailBinary(left, right, e, VMSlot::Bool(false));
    if (const char* e = Normalise(right, b, kMalformed, nullptr))
        return FailBinary(left, right, e, VMSlot::Bool(false));

    const int pair = Pair(a.t, b.t);
    bool result = false;
    if (pair == SS) {
        // Unsigned byte order up to the terminator; null is the empty text.
        const int c = std::strcmp(a.s ? a.s : "", b.s ? b.s : "");  // strcmp compares as unsigned char
        switch (opcode) {
        case 0x11: result = c < 0; break;
        case 0x12: result = c <= 0; break;
        case 0x13: result = c == 0; break;
        case 0x14: result = c != 0; break;
        case 0x15: result = c >= 0; break;
        default: result = c > 0; break;
        }
    } else {
        double d;
        if (pair == DD || pair == DI || pair == ID) {
            d = a.AsDouble() - b.AsDouble();
        } else if (pair == DL) {
            d = a.d - static_cast<double>(b.l);
        } else if (pair == II || pair == IB || pair == BI || pair == BB) {
            // The difference of two integers is taken on 64 bits, not 32: a 32-bit
            // difference overflows for operands far apart and then says that
            // -2147483648 is not below 1. A bool counts as 0 or 1.
            const int64_t p = a.t == N::Bool ? (a.b ? 1 : 0) : a.i;
            const int64_t q = b.t == N::Bool ? (b.b ? 1 : 0) : b.i;
            d = static_cast<double>(p - q);
        } else {
            return FailBinary(left, right, kCompareError, VMSlot::Bool(false));
        }
        switch (opcode) {
        case 0x11: result = d < -kRealTolerance; break;
        case 0x12: result = d <= kRealTolerance; break;
        case 0x13: result = d > -kRealTolerance && d < kRealTolerance; break;
        case 0x14: result = d < -kRealTolerance || d > kRealTolerance; break;
        case 0x15: result = d >= -kRealTolerance; break;
        default: result = d > kRealTolerance; break;
        }
    }
    left.Release();
    right.Release();
    left = VMSlot::Bool(result);
    return nullptr;
}

const char* VMOp_Conv(VMSlot& item, uint8_t typeByte) {
    const uint32_t source = typeByte & 0x0F;
    const uint32_t target = typeByte >> 4;
    if (source > eVM_String || target > eVM_String) return FailOne(item, kConvError);
    Operand a;
    if (const char* e = Normalise(item, a, kMalformed, nullptr)) return FailOne(item, e);

    const bool fromVariable = item.type == eVM_Variable;
    if (fromVariable && target == eVM_Variable) return nullptr;  // a plain move
    // A real variable to double is its number (a double to double is refused).
    if (fromVariable && a.t == N::Double && target == eVM_Double) {
        item = VMSlot::Double(a.d);
        return nullptr;
    }

    // Every cell that makes text formats it first and then copies it to the heap.
    auto text = [](const std::string& s) { return VMSlot::String(Text_Duplicate(s)); };
    VMSlot out = VMSlot::Real(0);
    switch (a.t) {
    case N::Double:
        switch (target) {
        case eVM_Float: out = VMSlot::Float(static_cast<float>(a.d)); break;  // IEEE rounding, inf beyond range
        case eVM_Int: out = VMSlot::Int(Real_TruncToInt32(a.d)); break;
        case eVM_Long: out = VMSlot::Long(Real_TruncToInt64(a.d)); break;
        case eVM_Bool: out = VMSlot::Bool(a.d > 0.5); break;
        case eVM_Variable: out = VMSlot::Real(a.d); break;
        case eVM_String: out = text(Real_ToMachineText(a.d)); break;
        default: return FailOne(item, kConvError);
        }
        break;
    case N::Float:
        switch (target) {
        // Kept as games knew it: a float becomes a double by way of a 32-bit integer,
        // while a float becomes a variable with its fraction.
        case eVM_Double: out = VMSlot::Double(static_cast<double>(Real_TruncToInt32(a.f))); break;
        case eVM_Int: out = VMSlot::Int(Real_TruncToInt32(a.f)); break;
        case eVM_Long: out = VMSlot::Long(Real_TruncToInt64(a.f)); break;
        case eVM_Bool: out = VMSlot::Bool(a.f > 0.5f); break;
        case eVM_Variable: out = VMSlot::Real(static_cast<double>(a.f)); break;
        case eVM_String: out = text(Real_ToMachineText(static_cast<double>(a.f))); break;
        default: return FailOne(item, kConvError);
        }
        break;
    case N::Int:
        switch (target) {
        case eVM_Double: out = VMSlot::Double(a.i); break;
        case eVM_Float: out = VMSlot::Float(static_cast<float>(a.i)); break;
        case eVM_Long: out = VMSlot::Long(a.i); break;
        case eVM_Bool: out = VMSlot::Bool(a.i != 0); break;
        case eVM_Variable: out = VMSlot::Real(a.i); break;
        case eVM_String: out = text(IntText(a.i)); break;
        default: return FailOne(item, kConvError);
        }
        break;
    case N::Long:
        switch (target) {
        case eVM_Double: out = VMSlot::Double(static_cast<double>(a.l)); break;
        case eVM_Float: out = VMSlot::Float(static_cast<float>(a.l)); break;
        case eVM_Int: out = VMSlot::Int(static_cast<int32_t>(static_cast<uint32_t>(a.l))); break;  // low 32 bits
        case eVM_Bool: out = VMSlot::Bool(a.l != 0); break;
        case eVM_Variable: out = VMSlot::Real(static_cast<double>(a.l)); break;
        case eVM_String: out = text(IntText(a.l)); break;
        default: return FailOne(item, kConvError);
        }
        break;
    case N::Bool:
        switch (target) {
        case eVM_Double: out = VMSlot::Double(a.b ? 1.0 : 0.0); break;
        case eVM_Float: out = VMSlot::Float(a.b ? 1.0f : 0.0f); break;
        case eVM_Int: out = VMSlot::Int(a.b ? 1 : 0); break;
        case eVM_Long: out = VMSlot::Long(a.b ? 1 : 0); break;
        case eVM_Variable: out = VMSlot::Real(a.b ? 1.0 : 0.0); break;
        case eVM_String: out = text(a.b ? "true" : "false"); break;
        default: return FailOne(item, kConvError);
        }
        break;
    case N::String:
        switch (target) {
        case eVM_Double: out = VMSlot::Double(Text_ToReal(a.s)); break;
        case eVM_Float: out = VMSlot::Float(static_cast<float>(Text_ToReal(a.s))); break;
        case eVM_Int: out = VMSlot::Int(Text_ToInt(a.s)); break;
        case eVM_Long: out = VMSlot::Long(Text_ToInt(a.s)); break;
        case eVM_Bool: out = VMSlot::Bool(a.s != nullptr && std::strcmp(a.s, "true") == 0); break;
        case eVM_Variable:
            // The text is handed on, not copied.
            item = VMSlot::Text(item.str);
            return nullptr;
        // A text to text is refused, a variable holding text included: the variable
        // converts exactly as its text would.
        default: return FailOne(item, kConvError);
        }
        break;
    }
    item.Release();
    item = out;
    return nullptr;
}
