#pragma once
// Built-in variables whose getter only reads a field of the instance, and the built-in
// table as the machine's variable access reads it: without a call per access.
#include <cstdint>
#include <string_view>

#include "variable/variables.h"

// The one field of an instance a getter reads, for getters that do nothing else: given
// an instance, such a getter gives the field as a real and succeeds (a flag as 1 or 0).
// The machine then reads the field itself. Only the code connecting the getter can vouch
// for that, so connecting a getter any other way drops the field.
struct CInstanceField {
    enum Kind : uint8_t { kNone, kFloat, kInt, kUnsigned, kFlag };
    Kind kind = kNone;
    union {
        float CInstance::*f;
        int CInstance::*i;
        uint32_t CInstance::*u;
        bool CInstance::*flag;
    };
    CInstanceField() : f(nullptr) {}
    CInstanceField(float CInstance::*m) : kind(kFloat), f(m) {}
    CInstanceField(int CInstance::*m) : kind(kInt), i(m) {}
    CInstanceField(uint32_t CInstance::*m) : kind(kUnsigned), u(m) {}
    CInstanceField(bool CInstance::*m) : kind(kFlag), flag(m) {}
};

// Variable_ConnectBuiltin for a getter that reads `field` and nothing more.
bool Variable_ConnectBuiltinField(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter,
                                  CInstanceField field);

namespace variable_detail {
extern const CBuiltinVariable* g_builtinEntries;  // the table's room is reserved once: it never moves
extern int32_t g_builtinCount;
extern CInstanceField g_builtinFields[kBuiltinVariableCapacity];
}  // namespace variable_detail

// Variable_Builtin without the call.
inline const CBuiltinVariable* Variable_BuiltinEntry(int32_t index) {
    return uint32_t(index) < uint32_t(variable_detail::g_builtinCount) ? &variable_detail::g_builtinEntries[index]
                                                                       : nullptr;
}

// The field an entry's getter reads (kind kNone: the getter must run).
inline const CInstanceField& Variable_BuiltinField(int32_t index) { return variable_detail::g_builtinFields[index]; }
