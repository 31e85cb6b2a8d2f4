#pragma once
// Functions of dynamic libraries that game code defines and calls: the table behind
// external_define / external_call / external_free and the library functions of
// extension packages.
//
// A library name is looked up like a game file (save area, then the game directory);
// a name found in neither is handed to the dynamic loader as it is, so "libm.so.6"
// finds the system's library. A library is opened once per resolved path and shared
// by every function defined from it.
//
// Calls go through libffi: any mix of real (double) and string (const char*)
// arguments, up to kExternalMaxArgs, returning a double or a string. The stdcall
// convention has no meaning on this platform: it is accepted and called like cdecl.
#include <string>
#include <vector>

#include "value/value.h"

constexpr int kExternalReal = 0;    // ty_real: a 64-bit float
constexpr int kExternalString = 1;  // ty_string: a pointer to a zero-terminated byte string
constexpr int kExternalCdecl = 0;
constexpr int kExternalStdcall = 1;
constexpr int kExternalMaxArgs = 16;
// Beyond this many arguments only reals can be passed.
constexpr int kExternalMaxStringArgs = 4;

struct CExternalSignature {
    int convention = kExternalCdecl;
    int resultType = kExternalReal;
    std::vector<int> argTypes;
};

// Checks the argument rules of a signature; the error text is the one game code sees,
// empty when the signature is fine.
std::string External_CheckSignature(const CExternalSignature& signature);

// Defines a function: opens (or reuses) the library and looks the name up, then the
// decorated "_name@bytes" form. Returns the new id, or -1 with `error` set to a
// one-line reason (the library's or the loader's own words).
int External_Define(const std::string& library, const std::string& name, const CExternalSignature& signature,
                    std::string& error);

// Calls a defined function with converted arguments. An unknown id, a freed library or
// a count other than the defined one gives the real 0 and false.
bool External_Call(int id, int argc, const CValue* args, CValue& result);

// Closes a library (resolved like External_Define); its functions stop working.
// False when it was not open.
bool External_Free(const std::string& library);

// "_name@bytes": 8 bytes for each real argument, 4 for each string.
std::string External_DecoratedName(const std::string& name, const std::vector<int>& argTypes);

// Libraries currently open.
int External_OpenLibraryCount();

// Each definition and call written to the diagnostic log ("-ext").
void External_SetTrace(bool on);

// Closes every library and forgets every definition (game end, tests).
void External_Reset();
