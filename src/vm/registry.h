#pragma once
// The built-in function registry: every function game code can call that is neither
// a script nor an extension function. A function's id is its index here.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "value/value.h"

class CInstance;

// Handler contract: the caller clears `result` to the real 0; the handler sets it.
// The arguments belong to the caller: read them, never keep or free their texts.
using TBuiltinFunction = void (*)(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args);

constexpr int kFunctionAnyCount = -1;
constexpr int kFunctionUnknownCount = -100;
constexpr int kScriptIdBase = 100000;
constexpr int kExtensionIdBase = 500000;

struct FunctionEntry {
    char name[64];
    TBuiltinFunction handler;
    int32_t argumentCount;
    int32_t callCount;  // -1 at registration
    bool implemented;
    // Set by the entry's stub after its first call, so each missing function is
    // reported once. Only the stub's own entry (the first of its name) uses it.
    bool stubReported;
};

// A family's implemented handlers, bound to the registry's entries by name.
struct FunctionImpl {
    const char* name;
    TBuiltinFunction handler;
};

// One name of a registration routine and its argument count (kFunctionAnyCount: any).
struct FunctionName {
    const char* name;
    int32_t argumentCount;
};

struct FunctionNameTable {
    const FunctionName* names;
    size_t count;
};

// Fills the registry with the built-in functions; the function layer installs it
// (Function_InstallNames) before anything is registered.
using TFunctionRegistrar = void (*)();
void Function_SetRegistrar(TFunctionRegistrar registrar);
// Runs the installed registrar (once; later calls do nothing, and without a registrar
// nothing is registered).
void Function_RegisterAll();

// Appends an entry (the name is copied; at most 63 characters) and gives its index,
// or -1 for a null, empty or over-long name. A null handler gets the entry a stub:
// the stub of an earlier entry of the same name, or a fresh one that reports
// "Function <name> is not implemented." once; -1 when no fresh stub is left.
int Function_Register(const char* name, TBuiltinFunction handler, int argumentCount);

int Function_Count();
// The entry of a registry index, or null. Entries move while the table grows, so
// keep indices, not entry pointers, across registrations.
const FunctionEntry* Function_Entry(int index);
// The registry index of the first entry with this name, or -1.
int Function_FindBuiltin(const char* name);
// The argument count of a registry index (kFunctionUnknownCount outside the table).
int Function_BuiltinArgCount(int index);
// Whether a registry index has a real handler (false for stubs and outside the table).
bool Function_IsImplemented(int index);

// Prints every entry as "name count status", status "implemented" or "not implemented".
void Function_List(FILE* out);

// Where stubs send their message; null restores the default, a non-fatal code error.
using TFunctionStubReporter = void (*)(const std::string& message);
void Function_SetStubReporter(TFunctionStubReporter reporter);
// Lets every stub report again (tests run the same stubs more than once).
void Function_ResetStubReports();
