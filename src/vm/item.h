#pragma once
// The machine's typed stack items.
//
// The stack is an array of slots, one item per slot whatever its type; instructions
// know each item's type from their type byte, and every slot also records it (so the
// result of a unit and the trace can be read without the code). Stack use is counted
// in the item widths of the machine's word layout (double 8, float 4, int 4, long 8,
// bool 4, variable 16, string 4 bytes; a call record 304 bytes), so the stack's growth
// steps and its overflow limit fall exactly where that layout puts them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "value/value.h"

enum VMType : uint8_t {
    eVM_Double = 0,
    eVM_Float = 1,
    eVM_Int = 2,
    eVM_Long = 3,
    eVM_Bool = 4,
    eVM_Variable = 5,
    eVM_String = 6,
    eVM_Error = 15,
};

// Bytes an item of this type takes in the machine's word layout (0 for no type).
// Read from a packed table (a nibble per type, in units of 4 bytes): the machine asks
// on nearly every instruction, and a switch there costs a jump of its own.
constexpr uint32_t VM_TypeWidth(uint32_t type) {
    // types 7..0:       -  s  v  b  l  i  f  d
    constexpr uint32_t kQuarters = 0x01412112u;
    return type < 8 ? ((kQuarters >> (type * 4)) & 0xFu) * 4 : 0;
}
static_assert(VM_TypeWidth(eVM_Double) == 8 && VM_TypeWidth(eVM_Float) == 4 && VM_TypeWidth(eVM_Int) == 4 &&
              VM_TypeWidth(eVM_Long) == 8 && VM_TypeWidth(eVM_Bool) == 4 && VM_TypeWidth(eVM_Variable) == 16 &&
              VM_TypeWidth(eVM_String) == 4 && VM_TypeWidth(7) == 0 && VM_TypeWidth(eVM_Error) == 0 &&
              VM_TypeWidth(0x20) == 0);

// Suffix of a type in listings: ".d", ".f", ".i", ".l", ".b", ".v", ".s", ".e".
const char* VM_TypeSuffix(uint32_t type);

// One stack item. A variable item is a whole value: `kind` and either `str` (kind 1)
// or `d` (kind 0). A string item owns `str`. Items own their texts: whoever pops a
// string item or a variable item of kind string takes the text over.
struct VMSlot {
    uint8_t type;  // VMType
    int32_t kind;  // variable items: CValue kind
    char* str;     // string items and variable items of kind 1
    union {
        double d;  // double items and the real of variable items
        float f;
        int32_t i;
        int64_t l;
        int32_t b;  // bool: only the lowest byte counts
    };

    bool Truth() const { return (b & 0xFF) != 0; }

    static VMSlot Double(double v) {
        VMSlot s{eVM_Double, 0, nullptr, {}};
        s.d = v;
        return s;
    }
    static VMSlot Float(float v) {
        VMSlot s{eVM_Float, 0, nullptr, {}};
        s.f = v;
        return s;
    }
    static VMSlot Int(int32_t v) {
        VMSlot s{eVM_Int, 0, nullptr, {}};
        s.l = 0;
        s.i = v;
        return s;
    }
    static VMSlot Long(int64_t v) {
        VMSlot s{eVM_Long, 0, nullptr, {}};
        s.l = v;
        return s;
    }
    static VMSlot Bool(bool v) {
        VMSlot s{eVM_Bool, 0, nullptr, {}};
        s.l = 0;
        s.b = v ? 1 : 0;
        return s;
    }
    static VMSlot String(char* owned) {
        VMSlot s{eVM_String, 0, owned, {}};
        s.l = 0;
        return s;
    }
    static VMSlot Real(double v) {
        VMSlot s{eVM_Variable, CValue::kReal, nullptr, {}};
        s.d = v;
        return s;
    }
    static VMSlot Text(char* owned) {
        VMSlot s{eVM_Variable, CValue::kString, owned, {}};
        s.d = 0;
        return s;
    }

    // In-place setters: the hot paths write the slot itself, never a temporary. Type
    // and kind go in one store: the next instruction often tests both with one load,
    // which cannot be served from two smaller stores still in flight.
    void SetHead(uint8_t t, int32_t k) {
        const uint64_t head = uint64_t(t) | (uint64_t(uint32_t(k)) << 32);
        std::memcpy(static_cast<void*>(this), &head, sizeof head);
    }
    void SetDouble(double v) {
        SetHead(eVM_Double, 0);
        str = nullptr;
        d = v;
    }
    void SetRealVariable(double v) {
        SetHead(eVM_Variable, CValue::kReal);
        str = nullptr;
        d = v;
    }
    void SetInt(int32_t v) {
        SetHead(eVM_Int, 0);
        str = nullptr;
        l = 0;
        i = v;
    }
    void SetBool(bool v) {
        SetHead(eVM_Bool, 0);
        str = nullptr;
        l = 0;
        b = v ? 1 : 0;
    }

    // A variable item holding a copy of the value / taking over its text.
    static VMSlot FromValue(const CValue& v);
    static VMSlot FromValueMove(CValue& v);
    // The item as a value (numbers become reals; texts are taken over).
    void MoveToValue(CValue& out);
    // Frees the item's text, if any.
    void Release() {
        if (str) Text_Free(str);
        str = nullptr;
    }
};
static_assert(offsetof(VMSlot, kind) == 4 && sizeof(VMSlot) == 24, "SetHead writes type and kind as one word");
