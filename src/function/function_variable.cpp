// variable_global_* and variable_local_*: variables reached by their name at run time.
// A name never seen before becomes a new user variable name, as in compiled code.
#include <cmath>
#include <cstdint>
#include <iterator>

#include "data/error.h"
#include "function/function_variable.h"
#include "value/args.h"
#include "variable/variables.h"
#include "vm/registry.h"

namespace {

enum class TWhere { kGlobal, kLocal };

constexpr double kIndexLimit = kArrayRowStride;

// The rounded index (half to even). An index of 32000 or more is refused with a
// non-fatal error; NaN and anything below 32 bits become INT32_MIN, which the list
// refuses as negative.
bool TakeIndex(int argc, const CValue* args, int i, int64_t& index) {
    const double r = std::nearbyint(Arg_Real(argc, args, i));
    if (r >= kIndexLimit) {
        Code_ShowError("Array index >= 32000", false);
        return false;
    }
    index = r >= static_cast<double>(INT32_MIN) ? static_cast<int64_t>(r) : INT32_MIN;
    return true;
}

// i * 32000 + j as the machine forms it; a sum outside 32 bits becomes a refused index.
int32_t Combine(int64_t i, int64_t j) {
    const int64_t n = i * kArrayRowStride + j;
    return n >= INT32_MIN && n <= INT32_MAX ? static_cast<int32_t>(n) : -1;
}

template <TWhere W>
bool Read(CInstance* self, int32_t id, int32_t index, CValue& result) {
    if constexpr (W == TWhere::kGlobal) return Variable_GlobalGet(id, index, result);
    else return Variable_InstanceGet(self, id, index, result);
}

template <TWhere W>
void Write(CInstance* self, int32_t id, int32_t index, const CValue& value) {
    if constexpr (W == TWhere::kGlobal) Variable_GlobalSet(id, index, value);
    else Variable_InstanceSet(self, id, index, value);
}

// The variable named by the first argument.
int32_t IdOf(int argc, const CValue* args) { return Variable_Find(Arg_CText(argc, args, 0)); }

template <TWhere W>
void F_Exists(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 1 || args == nullptr) return;
    CValue scratch;
    result.SetReal(Read<W>(self, IdOf(argc, args), 0, scratch) ? 1.0 : 0.0);
}

template <TWhere W>
void F_Get(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 1 || args == nullptr) return;
    Read<W>(self, IdOf(argc, args), 0, result);
}

template <TWhere W>
void F_ArrayGet(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 2 || args == nullptr) return;
    const int32_t id = IdOf(argc, args);
    int64_t i = 0;
    if (!TakeIndex(argc, args, 1, i)) return;
    Read<W>(self, id, Combine(0, i), result);
}

template <TWhere W>
void F_Array2Get(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 3 || args == nullptr) return;
    const int32_t id = IdOf(argc, args);
    int64_t i = 0, j = 0;
    if (!TakeIndex(argc, args, 1, i) || !TakeIndex(argc, args, 2, j)) return;
    Read<W>(self, id, Combine(i, j), result);
}

template <TWhere W>
void F_Set(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 2 || args == nullptr) return;
    Write<W>(self, IdOf(argc, args), 0, Arg_Value(argc, args, 1));
}

template <TWhere W>
void F_ArraySet(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 3 || args == nullptr) return;
    const int32_t id = IdOf(argc, args);
    int64_t i = 0;
    if (!TakeIndex(argc, args, 1, i)) return;
    Write<W>(self, id, Combine(0, i), Arg_Value(argc, args, 2));
}

template <TWhere W>
void F_Array2Set(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (argc < 4 || args == nullptr) return;
    const int32_t id = IdOf(argc, args);
    int64_t i = 0, j = 0;
    if (!TakeIndex(argc, args, 1, i) || !TakeIndex(argc, args, 2, j)) return;
    Write<W>(self, id, Combine(i, j), Arg_Value(argc, args, 3));
}

constexpr TWhere G = TWhere::kGlobal;
constexpr TWhere L = TWhere::kLocal;

}  // namespace

extern const FunctionImpl kVariableFunctions[] = {
    {"variable_global_exists", F_Exists<G>},
    {"variable_global_get", F_Get<G>},
    {"variable_global_array_get", F_ArrayGet<G>},
    {"variable_global_array2_get", F_Array2Get<G>},
    {"variable_global_set", F_Set<G>},
    {"variable_global_array_set", F_ArraySet<G>},
    {"variable_global_array2_set", F_Array2Set<G>},
    {"variable_local_exists", F_Exists<L>},
    {"variable_local_get", F_Get<L>},
    {"variable_local_array_get", F_ArrayGet<L>},
    {"variable_local_array2_get", F_Array2Get<L>},
    {"variable_local_set", F_Set<L>},
    {"variable_local_array_set", F_ArraySet<L>},
    {"variable_local_array2_set", F_Array2Set<L>},
};
extern const size_t kVariableFunctionCount = std::size(kVariableFunctions);
