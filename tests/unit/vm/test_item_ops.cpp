#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "platform/memory.h"
#include "vm/item.h"
#include "vm/item_ops.h"

namespace {

// An item as a table row writes it; `n` holds ints, longs and bools, `d` reals and floats.
struct Item {
    uint8_t type;
    int32_t kind;
    double d;
    int64_t n;
    const char* text;
};

constexpr Item D(double v) { return {eVM_Double, 0, v, 0, nullptr}; }
constexpr Item F(float v) { return {eVM_Float, 0, v, 0, nullptr}; }
constexpr Item I(int32_t v) { return {eVM_Int, 0, 0, v, nullptr}; }
constexpr Item L(int64_t v) { return {eVM_Long, 0, 0, v, nullptr}; }
constexpr Item B(int32_t v) { return {eVM_Bool, 0, 0, v, nullptr}; }
constexpr Item S(const char* t) { return {eVM_String, 0, 0, 0, t}; }
constexpr Item VR(double v) { return {eVM_Variable, CValue::kReal, v, 0, nullptr}; }
constexpr Item VS(const char* t) { return {eVM_Variable, CValue::kString, 0, 0, t}; }
constexpr Item VBad() { return {eVM_Variable, 7, 0, 0, nullptr}; }
constexpr Item None() { return {eVM_Error, 0, 0, 0, nullptr}; }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

VMSlot Make(const Item& it) {
    switch (it.type) {
    case eVM_Double: return VMSlot::Double(it.d);
    case eVM_Float: return VMSlot::Float(static_cast<float>(it.d));
    case eVM_Int: return VMSlot::Int(static_cast<int32_t>(it.n));
    case eVM_Long: return VMSlot::Long(it.n);
    case eVM_Bool: {
        VMSlot s = VMSlot::Bool(false);
        s.b = static_cast<int32_t>(it.n);  // raw word: only its low byte should count
        return s;
    }
    case eVM_String: return VMSlot::String(Text_Duplicate(it.text));
    default: {
        VMSlot s = VMSlot::Real(it.d);
        s.kind = it.kind;
        if (it.kind == CValue::kString) s.str = Text_Duplicate(it.text);
        return s;
    }
    }
}

std::string Describe(const Item& it) {
    const std::string text = it.text ? std::string("\"") + it.text + "\"" : "null";
    switch (it.type) {
    case eVM_Double: return "D(" + std::to_string(it.d) + ")";
    case eVM_Float: return "F(" + std::to_string(it.d) + ")";
    case eVM_Int: return "I(" + std::to_string(it.n) + ")";
    case eVM_Long: return "L(" + std::to_string(it.n) + ")";
    case eVM_Bool: return "B(" + std::to_string(it.n) + ")";
    case eVM_String: return "S(" + text + ")";
    case eVM_Variable:
        if (it.kind == CValue::kReal) return "VR(" + std::to_string(it.d) + ")";
        if (it.kind == CValue::kString) return "VS(" + text + ")";
        return "VBad";
    default: return "none";
    }
}

bool SameReal(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void ExpectItem(const VMSlot& got, const Item& want) {
    ASSERT_EQ(got.type, want.type);
    const char* text = got.str ? got.str : "";
    const char* wantText = want.text ? want.text : "";
    switch (want.type) {
    case eVM_Double: EXPECT_TRUE(SameReal(got.d, want.d)) << got.d; break;
    case eVM_Float: EXPECT_EQ(got.f, static_cast<float>(want.d)); break;
    case eVM_Int: EXPECT_EQ(got.i, want.n); break;
    case eVM_Long: EXPECT_EQ(got.l, want.n); break;
    case eVM_Bool: EXPECT_EQ(got.Truth(), want.n != 0); break;
    case eVM_String: EXPECT_STREQ(text, wantText); break;
    default:
        ASSERT_EQ(got.kind, want.kind);
        if (want.kind == CValue::kString) EXPECT_STREQ(text, wantText);
        else EXPECT_TRUE(SameReal(got.d, want.d)) << got.d;
        break;
    }
}

enum : uint8_t {
    kConv = 0x03,
    kMul = 0x04,
    kDiv = 0x05,
    kRem = 0x06,
    kMod = 0x07,
    kAdd = 0x08,
    kSub = 0x09,
    kAnd = 0x0A,
    kOr = 0x0B,
    kXor = 0x0C,
    kNeg = 0x0D,
    kNot = 0x0E,
    kShl = 0x0F,
    kShr = 0x10,
    kSlt = 0x11,
    kSle = 0x12,
    kSeq = 0x13,
    kSne = 0x14,
    kSge = 0x15,
    kSgt = 0x16,
};

bool IsCompare(uint8_t op) { return op >= kSlt && op <= kSgt; }

constexpr const char* kNoTextSub = "DoSub :: Execution Engine - Cannot operate on string type";
constexpr const char* kDivZero = "DoDiv :: Divide by zero";
constexpr const char* kBadCompare = "DoSet :: Invalid comparison type";

struct OpCase {
    uint8_t op;
    Item left;
    Item right;  // None() for neg/not
    Item want;   // ignored when `error` is set
    const char* error;
};

const OpCase kOpCases[] = {
    // add
    {kAdd, D(1.5), D(2.25), D(3.75), nullptr},
    {kAdd, D(1), I(2), D(3), nullptr},
    {kAdd, I(2), D(0.5), D(2.5), nullptr},
    {kAdd, I(INT32_MAX), I(1), I(INT32_MIN), nullptr},
    {kAdd, S("abc"), S("def"), S("abcdef"), nullptr},
    {kAdd, S(nullptr), S("x"), S("x"), nullptr},
    {kAdd, VS("ab"), S("cd"), VS("abcd"), nullptr},
    {kAdd, VR(1), I(2), VR(3), nullptr},
    {kAdd, I(2), VR(1), VR(3), nullptr},
    {kAdd, D(3), S("a"), {}, "DoAdd :: Execution Error"},
    {kAdd, VR(3), VS("a"), {}, "DoAdd :: Execution Error"},
    {kAdd, F(1), D(1), {}, "DoAdd :: Execution Error"},
    {kAdd, L(1), I(1), {}, "DoAdd :: Execution Error"},
    {kAdd, B(1), B(1), {}, "DoAdd :: Execution Error"},
    {kAdd, VBad(), D(1), {}, "Malformed variable"},
    {kAdd, S("a"), VBad(), {}, "Malformed variable"},
    // sub
    {kSub, D(5), I(7), D(-2), nullptr},
    {kSub, I(INT32_MIN), I(1), I(INT32_MAX), nullptr},
    {kSub, S("a"), S("b"), {}, kNoTextSub},
    {kSub, D(1), VS("b"), {}, kNoTextSub},
    {kSub, L(1), L(1), {}, "DoSub:: Execution Error"},
    // mul
    {kMul, I(3), S("ab"), S("ababab"), nullptr},
    {kMul, D(3.9), S("ab"), S("ababab"), nullptr},
    {kMul, I(0), S("ab"), S(""), nullptr},
    {kMul, D(-2), S("ab"), S(""), nullptr},
    {kMul, I(3), S(nullptr), S(""), nullptr},
    {kMul, VR(3), S("ab"), VS("ababab"), nullptr},
    {kMul, I(2), VS("ab"), VS("abab"), nullptr},
    {kMul, D(1e12), S("ab"), {}, "DoMul :: Execution Error"},  // far beyond one block
    {kMul, S("ab"), I(3), {}, "DoMul :: Execution Error"},
    {kMul, S("a"), S("b"), {}, "DoMul :: Execution Error"},
    {kMul, I(65536), I(65536), I(0), nullptr},
    {kMul, D(1.5), I(2), D(3), nullptr},
    {kMul, VBad(), I(1), {}, "Variable is malformed"},
    // div
    {kDiv, D(7), D(2), D(3.5), nullptr},
    {kDiv, I(7), I(2), I(3), nullptr},
    {kDiv, I(-7), I(2), I(-3), nullptr},
    {kDiv, I(INT32_MIN), I(-1), I(INT32_MIN), nullptr},
    {kDiv, D(5), D(1e-11), {}, kDivZero},
    {kDiv, I(5), D(-1e-11), {}, kDivZero},
    {kDiv, D(5), D(1e-10), D(5e10), nullptr},
    {kDiv, D(5), I(0), {}, kDivZero},
    {kDiv, I(5), I(0), {}, kDivZero},
    {kDiv, S("a"), D(1), {}, "DoDiv :: Execution Engine - Cannot operate on string type"},
    {kDiv, F(1), D(1), {}, "DoDiv :: Execution Error"},
    // rem: integer division
    {kRem, D(7), D(2), D(3), nullptr},
    {kRem, D(-7), D(2), D(-3), nullptr},
    {kRem, I(7), D(2), D(3), nullptr},
    {kRem, I(-7), I(2), I(-3), nullptr},
    {kRem, I(INT32_MIN), I(-1), I(INT32_MIN), nullptr},
    {kRem, D(1e10), D(1), D(INT32_MIN), nullptr},  // the quotient truncates through 32 bits
    {kRem, D(1), D(0), {}, "DoRem :: Divide by zero"},
    {kRem, I(1), I(0), {}, "DoRem :: Divide by zero"},
    {kRem, VS("a"), I(1), {}, "DoRem :: Execution Engine - Cannot operate on string type"},
    // mod
    {kMod, D(7), D(-2), D(1), nullptr},
    {kMod, D(-7), D(2), D(-1), nullptr},
    {kMod, D(7.5), I(2), D(1.5), nullptr},
    {kMod, D(1), D(0), D(kNaN), nullptr},
    {kMod, I(1), I(0), {}, "DoMod :: Divide by zero"},
    {kMod, I(7), I(-2), I(1), nullptr},
    {kMod, I(INT32_MIN), I(-1), I(0), nullptr},
    {kMod, S("a"), I(1), {}, "DoMod :: Execution Engine - Cannot operate on string type"},
    {kMod, B(1), B(1), {}, "DoMod :: Execution Error"},
    // and, or, xor
    {kAnd, D(12.9), D(10), D(8), nullptr},
    {kAnd, D(-1), I(255), D(255), nullptr},
    {kOr, D(4294967301.0), I(2), D(4294967303.0), nullptr},
    {kXor, I(12), I(10), I(6), nullptr},
    {kAnd, B(1), B(0x100), B(0), nullptr},  // only the low byte of a bool counts
    {kOr, B(1), B(0), B(1), nullptr},
    {kXor, B(1), B(1), B(0), nullptr},
    {kAnd, B(1), I(1), {}, "DoAnd :: Execution Error"},
    {kOr, L(1), L(1), {}, "DoOr :: Execution Error"},
    {kAnd, S("a"), D(1), {}, "DoAnd :: Execution Engine - Cannot operate on string type"},
    {kOr, D(1), VS("a"), {}, "DoOr :: Execution Engine - Cannot operate on string type"},
    {kXor, S("a"), S("b"), {}, "DoXor :: Execution Engine - Cannot operate on string type"},
    // shifts
    {kShl, D(1), D(40), D(1099511627776.0), nullptr},
    {kShl, D(1), I(63), D(-9223372036854775808.0), nullptr},
    {kShl, D(1), D(64), D(0), nullptr},
    {kShl, D(1), I(255), D(0), nullptr},
    {kShl, D(1), I(257), D(2), nullptr},  // the count's low eight bits
    {kShr, D(-8), I(100), D(-1), nullptr},
    {kShr, D(8), I(100), D(0), nullptr},
    {kShr, D(-8), D(1), D(-4), nullptr},
    {kShl, I(1), I(33), I(2), nullptr},  // ints: modulo 32
    {kShl, I(1), I(31), I(INT32_MIN), nullptr},
    {kShr, I(-16), I(34), I(-4), nullptr},
    {kShl, I(1), D(33), D(2), nullptr},
    {kShl, S("a"), I(1), {}, "DoShl :: Execution Engine - Cannot operate on string type"},
    {kShr, VS("a"), I(1), {}, "DoShr :: Execution Engine - Cannot operate on string type"},
    {kShl, F(1), I(1), {}, "DoShl :: Execution Error"},
    {kShr, L(1), I(1), {}, "DoShr :: Execution Error"},
    // neg, not
    {kNeg, D(2.5), None(), D(-2.5), nullptr},
    {kNeg, F(1.5), None(), F(-1.5), nullptr},
    {kNeg, I(INT32_MIN), None(), I(INT32_MIN), nullptr},
    {kNeg, L(INT64_MIN), None(), L(INT64_MIN), nullptr},
    {kNeg, VR(3), None(), VR(-3), nullptr},
    {kNeg, B(1), None(), {}, "DoNeg :: Execution Engine - Cannot operate on string type"},
    {kNeg, VS("a"), None(), {}, "DoNeg :: Execution Engine - Cannot operate on string type"},
    {kNeg, VBad(), None(), {}, "Malformed variable"},
    {kNot, D(5.7), None(), D(-6), nullptr},
    {kNot, VR(0), None(), VR(-1), nullptr},
    {kNot, I(0), None(), I(-1), nullptr},
    {kNot, L(5), None(), L(-6), nullptr},
    {kNot, F(2.9f), None(), F(-3), nullptr},
    {kNot, B(1), None(), B(0), nullptr},
    {kNot, S("a"), None(), {}, "DoNot :: Execution Engine - Cannot operate on string type"},
    // comparisons: reals within 1e-5 are equal
    {kSeq, D(0.1 + 0.2), D(0.3), B(1), nullptr},
    {kSeq, D(1), D(1.00002), B(0), nullptr},
    {kSne, D(1), D(1.00002), B(1), nullptr},
    {kSeq, D(1e-5), D(0), B(0), nullptr},
    {kSne, D(1e-5), D(0), B(0), nullptr},
    {kSle, D(1e-5), D(0), B(1), nullptr},
    {kSgt, D(1e-5), D(0), B(0), nullptr},
    {kSge, D(0), D(1e-5), B(1), nullptr},
    {kSlt, D(0), D(1e-5), B(0), nullptr},
    {kSlt, D(0), D(2e-5), B(1), nullptr},
    {kSeq, VR(3), I(3), B(1), nullptr},
    {kSeq, D(2), L(2), B(1), nullptr},
    {kSeq, L(2), D(2), {}, kBadCompare},
    {kSlt, I(INT32_MIN), I(1), B(1), nullptr},  // no 32-bit overflow in the difference
    {kSgt, I(INT32_MAX), I(-1), B(1), nullptr},
    {kSeq, I(1), B(1), B(1), nullptr},
    {kSlt, B(0), I(1), B(1), nullptr},
    {kSne, B(1), B(0), B(1), nullptr},
    {kSeq, S("abc"), S("abc"), B(1), nullptr},
    {kSlt, S("ab"), S("abc"), B(1), nullptr},
    {kSlt, S("\x80"), S("a"), B(0), nullptr},  // unsigned bytes
    {kSeq, S(nullptr), S(""), B(1), nullptr},
    {kSgt, VS("b"), S("a"), B(1), nullptr},
    {kSeq, D(1), S("1"), {}, kBadCompare},
    {kSeq, F(1), F(1), {}, kBadCompare},
    {kSeq, VBad(), D(1), {}, "Malformed variable"},
};

}  // namespace

TEST(ItemOpsTest, OperationsByOperandPair) {
    int row = 0;
    for (const OpCase& c : kOpCases) {
        SCOPED_TRACE("row " + std::to_string(row++) + ": op " + std::to_string(c.op) + " " + Describe(c.left) + ", " +
                     Describe(c.right));
        const uint32_t blocks = MemoryManager::BlockCount();
        VMSlot left = Make(c.left);
        VMSlot right = Make(c.right);
        const char* error;
        if (c.op == kNeg || c.op == kNot) error = VMOp_Unary(c.op, left);
        else if (IsCompare(c.op)) error = VMOp_Compare(c.op, left, right);
        else error = VMOp_Binary(c.op, left, right);

        if (c.error) {
            EXPECT_STREQ(error, c.error);
            // A failed operation leaves nothing to free: false for comparisons, else real 0.
            ExpectItem(left, IsCompare(c.op) ? B(0) : VR(0));
        } else {
            EXPECT_EQ(error, nullptr) << error;
            ExpectItem(left, c.want);
        }
        EXPECT_EQ(right.str, nullptr);  // the right operand is consumed either way
        left.Release();
        right.Release();
        EXPECT_EQ(MemoryManager::BlockCount(), blocks);
    }
}

TEST(ItemOpsTest, UnknownOpcodesAreRefusedWithoutLeaks) {
    const uint32_t blocks = MemoryManager::BlockCount();
    VMSlot left = Make(S("a"));
    VMSlot right = Make(S("b"));
    EXPECT_NE(VMOp_Binary(kSlt, left, right), nullptr);
    left = Make(S("a"));
    right = Make(S("b"));
    EXPECT_NE(VMOp_Compare(kAdd, left, right), nullptr);
    EXPECT_FALSE(left.Truth());
    left = Make(S("a"));
    EXPECT_NE(VMOp_Unary(kAdd, left), nullptr);
    EXPECT_EQ(MemoryManager::BlockCount(), blocks);
}

namespace {

constexpr uint8_t Conv(uint8_t from, uint8_t to) { return static_cast<uint8_t>(to << 4 | from); }

struct ConvCase {
    uint8_t typeByte;
    Item source;
    Item want;
    const char* error;
};

constexpr const char* kConvError = "DoConv :: Execution Error";

const ConvCase kConvCases[] = {
    {Conv(eVM_Double, eVM_Float), D(0.1), F(0.1f), nullptr},
    {Conv(eVM_Double, eVM_Int), D(-3.9), I(-3), nullptr},
    {Conv(eVM_Double, eVM_Int), D(3e9), I(INT32_MIN), nullptr},
    {Conv(eVM_Double, eVM_Long), D(-3.9), L(-3), nullptr},
    {Conv(eVM_Double, eVM_Long), D(1e19), L(INT64_MIN), nullptr},
    {Conv(eVM_Double, eVM_Bool), D(0.5), B(0), nullptr},
    {Conv(eVM_Double, eVM_Bool), D(0.51), B(1), nullptr},
    {Conv(eVM_Double, eVM_Bool), D(-1), B(0), nullptr},
    {Conv(eVM_Double, eVM_Variable), D(2.5), VR(2.5), nullptr},
    {Conv(eVM_Double, eVM_String), D(3.14159), S("3.14159"), nullptr},
    {Conv(eVM_Double, eVM_String), D(1e20), S("1e+020"), nullptr},
    {Conv(eVM_Double, eVM_Double), D(1), {}, kConvError},
    // a float reaches a double through a 32-bit integer, a variable with its fraction
    {Conv(eVM_Float, eVM_Double), F(2.75f), D(2), nullptr},
    {Conv(eVM_Float, eVM_Variable), F(2.75f), VR(2.75), nullptr},
    {Conv(eVM_Float, eVM_Int), F(-2.75f), I(-2), nullptr},
    {Conv(eVM_Float, eVM_Long), F(-2.75f), L(-2), nullptr},
    {Conv(eVM_Float, eVM_Bool), F(0.75f), B(1), nullptr},
    {Conv(eVM_Float, eVM_String), F(0.5f), S("0.5"), nullptr},
    {Conv(eVM_Float, eVM_Float), F(1), {}, kConvError},
    {Conv(eVM_Int, eVM_Double), I(-7), D(-7), nullptr},
    {Conv(eVM_Int, eVM_Float), I(16777217), F(16777216.0f), nullptr},
    {Conv(eVM_Int, eVM_Long), I(-5), L(-5), nullptr},
    {Conv(eVM_Int, eVM_Bool), I(0x100), B(1), nullptr},
    {Conv(eVM_Int, eVM_Variable), I(9), VR(9), nullptr},
    {Conv(eVM_Int, eVM_String), I(-42), S("-42"), nullptr},
    {Conv(eVM_Int, eVM_Int), I(1), {}, kConvError},
    {Conv(eVM_Long, eVM_Double), L(1LL << 40), D(1099511627776.0), nullptr},
    {Conv(eVM_Long, eVM_Int), L(0x100000005LL), I(5), nullptr},
    {Conv(eVM_Long, eVM_Int), L(0xFFFFFFFFLL), I(-1), nullptr},
    {Conv(eVM_Long, eVM_Bool), L(1LL << 40), B(1), nullptr},
    {Conv(eVM_Long, eVM_String), L(-9000000000LL), S("-9000000000"), nullptr},
    {Conv(eVM_Long, eVM_Long), L(1), {}, kConvError},
    {Conv(eVM_Bool, eVM_Double), B(1), D(1), nullptr},
    {Conv(eVM_Bool, eVM_Int), B(0x100), I(0), nullptr},
    {Conv(eVM_Bool, eVM_Variable), B(1), VR(1), nullptr},
    {Conv(eVM_Bool, eVM_String), B(1), S("true"), nullptr},
    {Conv(eVM_Bool, eVM_String), B(0), S("false"), nullptr},
    {Conv(eVM_Bool, eVM_Bool), B(1), {}, kConvError},
    {Conv(eVM_String, eVM_Double), S("12abc"), D(12), nullptr},
    {Conv(eVM_String, eVM_Double), S("abc"), D(0), nullptr},
    {Conv(eVM_String, eVM_Float), S("0.5"), F(0.5f), nullptr},
    {Conv(eVM_String, eVM_Int), S("42.9"), I(42), nullptr},
    {Conv(eVM_String, eVM_Long), S("99999999999"), L(INT32_MAX), nullptr},
    {Conv(eVM_String, eVM_Bool), S("true"), B(1), nullptr},
    {Conv(eVM_String, eVM_Bool), S("True"), B(0), nullptr},
    {Conv(eVM_String, eVM_Bool), S(nullptr), B(0), nullptr},
    {Conv(eVM_String, eVM_Variable), S("hi"), VS("hi"), nullptr},
    {Conv(eVM_String, eVM_String), S("x"), {}, kConvError},
    // variables convert as what they hold
    {Conv(eVM_Variable, eVM_Double), VR(2.5), D(2.5), nullptr},
    {Conv(eVM_Variable, eVM_String), VR(0.25), S("0.25"), nullptr},
    {Conv(eVM_Variable, eVM_Double), VS("12abc"), D(12), nullptr},
    {Conv(eVM_Variable, eVM_Bool), VS("true"), B(1), nullptr},
    {Conv(eVM_Variable, eVM_String), VS("x"), {}, kConvError},
    {Conv(eVM_Variable, eVM_Variable), VS("x"), VS("x"), nullptr},
    {Conv(eVM_Variable, eVM_Double), VBad(), {}, "Malformed variable"},
    // the item's own type decides over the type byte's source half
    {Conv(eVM_Int, eVM_Double), S("5"), D(5), nullptr},
    // halves that name no type
    {0x07, D(1), {}, kConvError},
    {0x70, D(1), {}, kConvError},
    {0xF6, S("x"), {}, kConvError},
};

}  // namespace

TEST(ItemOpsTest, ConversionTable) {
    int row = 0;
    for (const ConvCase& c : kConvCases) {
        SCOPED_TRACE("row " + std::to_string(row++) + ": type byte " + std::to_string(c.typeByte) + " " +
                     Describe(c.source));
        const uint32_t blocks = MemoryManager::BlockCount();
        VMSlot item = Make(c.source);
        const char* error = VMOp_Conv(item, c.typeByte);
        if (c.error) {
            EXPECT_STREQ(error, c.error);
            ExpectItem(item, VR(0));
        } else {
            EXPECT_EQ(error, nullptr) << error;
            ExpectItem(item, c.want);
        }
        item.Release();
        EXPECT_EQ(MemoryManager::BlockCount(), blocks);
    }
}

TEST(ItemOpsTest, TextToVariableHandsTheTextOn) {
    VMSlot item = Make(S("kept"));
    char* text = item.str;
    ASSERT_EQ(VMOp_Conv(item, Conv(eVM_String, eVM_Variable)), nullptr);
    EXPECT_EQ(item.str, text);
    item.Release();
}

TEST(ItemOpsTest, SlotsAndValuesMoveTextsWithoutCopiesOrLeaks) {
    const uint32_t blocks = MemoryManager::BlockCount();
    {
        CValue text(std::string_view("abc"));
        VMSlot copy = VMSlot::FromValue(text);
        EXPECT_NE(copy.str, text.str);
        EXPECT_STREQ(copy.str, "abc");

        char* owned = text.str;
        VMSlot moved = VMSlot::FromValueMove(text);
        EXPECT_EQ(moved.str, owned);
        EXPECT_TRUE(text.IsReal());
        EXPECT_EQ(text.str, nullptr);

        CValue out;
        moved.MoveToValue(out);
        EXPECT_EQ(out.str, owned);
        EXPECT_EQ(moved.str, nullptr);
        copy.MoveToValue(out);  // frees the previous text
        EXPECT_STREQ(out.Text(), "abc");

        struct {
            VMSlot slot;
            double want;
        } numbers[] = {
            {VMSlot::Int(-3), -3},      {VMSlot::Long(1LL << 40), 1099511627776.0},
            {VMSlot::Float(0.5f), 0.5}, {VMSlot::Bool(true), 1},
            {VMSlot::Real(2.5), 2.5},   {VMSlot::Double(-1.25), -1.25},
        };
        for (auto& n : numbers) {
            n.slot.MoveToValue(out);
            EXPECT_TRUE(out.IsReal());
            EXPECT_EQ(out.str, nullptr);
            EXPECT_EQ(out.val, n.want);
        }
        VMSlot str = VMSlot::String(Text_Duplicate("s"));
        str.MoveToValue(out);
        EXPECT_TRUE(out.IsString());
        EXPECT_STREQ(out.Text(), "s");
    }
    EXPECT_EQ(MemoryManager::BlockCount(), blocks);
    EXPECT_STREQ(VM_TypeSuffix(eVM_Variable), ".v");
    EXPECT_STREQ(VM_TypeSuffix(eVM_Double), ".d");
    EXPECT_STREQ(VM_TypeSuffix(9), ".e");
}
