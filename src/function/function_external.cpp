#include "function/function_external.h"

#include <string>

#include "data/error.h"
#include "extension/external.h"
#include "value/args.h"

namespace {

constexpr const char* kDefineError = "Error defining an external function.";

// Defines from (dll, name, convention, result type, argument types) and reports a
// refusal as the game sees it: -1 and a non-fatal error.
void Define(CValue& result, const std::string& library, const std::string& name, const CExternalSignature& signature) {
    result.SetReal(-1);
    const std::string rule = External_CheckSignature(signature);
    if (!rule.empty()) return Code_ShowError(rule, false);
    std::string error;
    const int id = External_Define(library, name, signature, error);
    if (id < 0) return Code_ShowError(std::string(kDefineError) + "\n" + error, false);
    result.SetReal(id);
}

int Type(int argc, const CValue* args, int i) {
    return Arg_Int(argc, args, i) == kExternalString ? kExternalString : kExternalReal;
}

// external_define(dll, name, calltype, restype, argnumb, argtype1, ...)
void F_ExternalDefine(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(-1);
    constexpr const char* kCountError = "Wrong number of arguments to external_define()";
    if (argc < 5) return Code_ShowError(kCountError, false);
    const int count = Arg_Int(argc, args, 4);
    if (count > kExternalMaxArgs) return Code_ShowError("DLL functions can have at most 16 arguments", false);
    if (count < 0 || argc != count + 5) return Code_ShowError(kCountError, false);
    CExternalSignature signature;
    signature.convention = Arg_Int(argc, args, 2) == kExternalStdcall ? kExternalStdcall : kExternalCdecl;
    signature.resultType = Type(argc, args, 3);
    for (int i = 0; i < count; ++i) signature.argTypes.push_back(Type(argc, args, 5 + i));
    Define(result, std::string(Arg_Text(argc, args, 0)), std::string(Arg_Text(argc, args, 1)), signature);
}

// external_defineN(dll, name, restype, argtype1 .. argtypeN) for N up to 4;
// external_defineN(dll, name, restype) from 5 on, where the arguments are reals. The
// fixed forms use the C convention.
template <int N>
void F_ExternalDefineN(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CExternalSignature signature;
    signature.resultType = Type(argc, args, 2);
    for (int i = 0; i < N; ++i)
        signature.argTypes.push_back(N <= kExternalMaxStringArgs ? Type(argc, args, 3 + i) : kExternalReal);
    Define(result, std::string(Arg_Text(argc, args, 0)), std::string(Arg_Text(argc, args, 1)), signature);
}

// external_call(id, arg1, ...) and external_callN(id, arg1 .. argN): an unknown id or
// a count other than the defined one gives 0.
void F_ExternalCall(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc < 1) return result.SetReal(0);
    External_Call(Arg_Int(argc, args, 0), argc - 1, args + 1, result);
}

void F_ExternalFree(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    External_Free(std::string(Arg_Text(argc, args, 0)));
}

}  // namespace

const FunctionImpl kExternalFunctions[] = {
    {"external_define", F_ExternalDefine},      {"external_call", F_ExternalCall},
    {"external_free", F_ExternalFree},          {"external_define0", F_ExternalDefineN<0>},
    {"external_define1", F_ExternalDefineN<1>}, {"external_define2", F_ExternalDefineN<2>},
    {"external_define3", F_ExternalDefineN<3>}, {"external_define4", F_ExternalDefineN<4>},
    {"external_define5", F_ExternalDefineN<5>}, {"external_define6", F_ExternalDefineN<6>},
    {"external_define7", F_ExternalDefineN<7>}, {"external_define8", F_ExternalDefineN<8>},
    {"external_call0", F_ExternalCall},         {"external_call1", F_ExternalCall},
    {"external_call2", F_ExternalCall},         {"external_call3", F_ExternalCall},
    {"external_call4", F_ExternalCall},         {"external_call5", F_ExternalCall},
    {"external_call6", F_ExternalCall},         {"external_call7", F_ExternalCall},
    {"external_call8", F_ExternalCall},
};
const size_t kExternalFunctionCount = sizeof kExternalFunctions / sizeof kExternalFunctions[0];
