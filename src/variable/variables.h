#pragma once
// Variable names and ids, the built-in variables, the global and local scopes, the
// argument slots, and reading and writing a variable through a scope operand.
//
// Ids: 0..499 are built-in variables (their index in the built-in table); user variables
// are 100000 + their position in the name table. For storage every id of 10000 or more is
// a user variable held in a CVariableList; smaller ids go to the built-in getters/setters.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/game.h"
#include "value/value.h"
#include "variable/variable_list.h"

class CInstance;
class CStream;

constexpr int kBuiltinVariableCapacity = 500;
constexpr int32_t kUserVariableBase = 100000;
constexpr int32_t kUserVariableStorageBase = 10000;
constexpr int kArgumentSlotCount = kGameArgumentSlots;

// Scope operands of a variable access; 0..99999 is an object index, 100000 and more
// an instance id.
enum : int32_t {
    kScopeSelf = -1,
    kScopeOther = -2,
    kScopeAll = -3,
    kScopeNoone = -4,
    kScopeGlobal = -5,
    kScopeUnqualified = -6,  // global when the name was declared globalvar, else self
    kScopeLocal = -7,
};

// A built-in variable reads or writes engine state for an instance (null when the code
// runs without one). The array index arrives unchanged; each variable applies its own rule.
using TBuiltinGetter = bool (*)(CInstance* instance, int32_t index, CValue& result);
using TBuiltinSetter = bool (*)(CInstance* instance, int32_t index, const CValue& value);

struct CBuiltinVariable {
    std::string name;
    TBuiltinGetter getter = nullptr;
    TBuiltinSetter setter = nullptr;  // null: no setter
    bool writable = false;            // false: an assignment fails
};

// --- names and ids ---------------------------------------------------------------------

// The id of a name: a built-in's index, else the user name's id; new names are appended.
int32_t Variable_Find(std::string_view name);
// "<unknown built-in variable>" / "<unknown variable>" for ids that name nothing. The
// text lives as long as the engine (names are never removed).
const char* Variable_Name(int32_t id);
int Variable_NameCount();

// --- the built-in table ----------------------------------------------------------------

// Fills the table in its fixed order (once; later calls do nothing).
void Variable_RegisterBuiltins();
// Appends an entry; a full table reports "INTERNAL ERROR: Adding too many variables"
// on the log and adds nothing (gives false).
bool Variable_RegisterBuiltin(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter, bool writable);
// Lets the subsystem that owns a variable's field plug in its handlers later. The
// writable flag stays as registered. False for an unknown name.
bool Variable_ConnectBuiltin(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter);
int Variable_BuiltinCount();
const CBuiltinVariable* Variable_Builtin(int32_t index);

// Engine state some built-ins read.
void Variable_SetDebugMode(bool debug);            // from the header's flags byte
void Variable_SetArgumentRelative(bool relative);  // while an action with "relative" runs

// --- arguments -------------------------------------------------------------------------

// --- scopes ----------------------------------------------------------------------------

// An instance's variable: ids >= 10000 in its own list, smaller ids through the built-in
// table. A read-only built-in, an id outside the table or a missing instance fails.
bool Variable_InstanceGet(CInstance* instance, int32_t id, int32_t index, CValue& result);
bool Variable_InstanceSet(CInstance* instance, int32_t id, int32_t index, const CValue& value);

// The global scope: the session's global list and the globalvar flags by user name.
// Variable_StartGlobals makes it afresh (empty, no globalvar names).
struct CGlobalScope {
    CGlobalScope();
    std::unique_ptr<CVariableList> list;
    std::vector<uint8_t> declared;
};
void Variable_StartGlobals();
bool Variable_GlobalGet(int32_t id, int32_t index, CValue& result);
bool Variable_GlobalSet(int32_t id, int32_t index, const CValue& value);
// globalvar: marks a user id global and gives it a global node (real 0) if it has none.
void Variable_DeclareGlobal(int32_t id);
bool Variable_IsDeclaredGlobal(int32_t id);
// Version 700, the global list, then the globalvar flags (count, one byte each).
bool Variable_WriteGlobals(CStream& stream);
bool Variable_ReadGlobals(CStream& stream);
// The same form read into `scope`, the session's globals untouched (a loaded game reads
// everything before it changes anything); false on a bad or truncated form.
bool Variable_ReadGlobalsInto(CStream& stream, CGlobalScope& scope);
// Exchanges the session's global scope with `scope`.
void Variable_SwapGlobals(CGlobalScope& scope);

// The local list of an activation at a nesting depth (null for a negative depth). The
// pool keeps one list per depth; a list handed out again is emptied first.
CVariableList* Variable_LocalsForDepth(int depth);

// What a running piece of code sees as its scopes.
struct VariableScope {
    CInstance* self = nullptr;
    CInstance* other = nullptr;
    CVariableList* locals = nullptr;
};

// Reads or writes a variable through a scope operand. Failure (and the array index
// error flag, for a bad index) is for the caller to report.
bool Variable_GetByScope(int32_t scope, int32_t id, int32_t index, CValue& result, const VariableScope& where);
bool Variable_SetByScope(int32_t scope, int32_t id, int32_t index, const CValue& value, const VariableScope& where);
