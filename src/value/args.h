#pragma once
// How every built-in reads its arguments. It sits beside the value because handlers live
// in several layers (the machine's script functions, the compiler's execute functions,
// the data structures and the function families) and all of them read the same way.
// Handlers get (argc, args) from the caller and may be called with fewer arguments than
// they read (bytecode is not checked against the registered count), so each reader takes
// the index and the count.
//
// The rules, one for each kind of argument:
// - A missing argument (i outside 0..argc-1) is the real 0, and so the empty text.
// - A number is read by kind alone: a text where a number is expected reads as 0
//   (whatever its number field holds), exactly as a text written to a numeric
//   variable stores 0.
// - A truth value is true when the number is greater than 0.5 (0.5 is false, so is -1):
//   Arg_Bool. The switches of the families whose rule is "at least 0.5" (motion and
//   collision, planning, the drag-and-drop actions, instance_copy/instance_change/
//   instance_deactivate_all, the texture_set_* switches, ds_list_sort) read Arg_Flag,
//   for which 0.5 is true.
// - An integer (an index, an id, a count, a mode, a room or window size) is rounded to
//   the nearest, halves to even: Arg_Int. Where a family's own rule truncates toward
//   zero it says so by calling Arg_IntTrunc: the pixel sizes, origins and rectangles of
//   the picture functions (sprites, backgrounds, surfaces, fonts), random ranges,
//   character codes, calendar fields, room records and data structure ids and
//   positions. Either way NaN and values beyond the target's range give the target's
//   smallest integer.
// - A colour is a script colour 0xBBGGRR: the number rounded like an integer, taken
//   modulo 2^32 (two's complement for negatives) and cut to its low 24 bits; NaN and the
//   infinities are black.
// - An alpha is the number clamped to 0..1; NaN is 0.
// - A text is the argument's own text, not copied: it lives as long as the caller's
//   arguments. A number where a text is expected is the empty text; the functions that
//   print, draw or write a number given in place of a text ask for Arg_TextForm, which
//   gives it (and a missing argument, the real 0) in the `string` built-in's form.
//
// Everything on the number paths is inline and allocation-free: drawing functions read
// their arguments tens of thousands of times a frame.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "value/value.h"

// The argument, or null when it is missing.
inline const CValue* Arg_Find(int argc, const CValue* args, int i) {
    return args != nullptr && i >= 0 && i < argc ? &args[i] : nullptr;
}

// The argument as it is (for the functions that store or return any value), the real 0
// when it is missing.
inline const CValue& Arg_Value(int argc, const CValue* args, int i) {
    static const CValue missing;
    const CValue* v = Arg_Find(argc, args, i);
    return v != nullptr ? *v : missing;
}

// Whether the argument is there and holds a text / a number.
inline bool Arg_IsText(int argc, const CValue* args, int i) {
    const CValue* v = Arg_Find(argc, args, i);
    return v != nullptr && v->IsString();
}
inline bool Arg_IsReal(int argc, const CValue* args, int i) {
    const CValue* v = Arg_Find(argc, args, i);
    return v != nullptr && v->IsReal();
}

inline double Arg_Real(int argc, const CValue* args, int i) {
    const CValue* v = Arg_Find(argc, args, i);
    return v != nullptr && v->IsReal() ? v->val : 0.0;
}

// Vertex data and the instance's stored fields are floats.
inline float Arg_Float(int argc, const CValue* args, int i) { return float(Arg_Real(argc, args, i)); }

inline bool Arg_Bool(int argc, const CValue* args, int i) { return Real_IsTrue(Arg_Real(argc, args, i)); }
inline bool Arg_Flag(int argc, const CValue* args, int i) { return Arg_Real(argc, args, i) >= 0.5; }

// Rounded to the nearest, halves to even.
inline int32_t Arg_Int(int argc, const CValue* args, int i) {
    return Real_TruncToInt32(std::nearbyint(Arg_Real(argc, args, i)));
}
inline int64_t Arg_Int64(int argc, const CValue* args, int i) {
    return Real_TruncToInt64(std::nearbyint(Arg_Real(argc, args, i)));
}

// Truncated toward zero, for the functions whose own rule says so.
inline int32_t Arg_IntTrunc(int argc, const CValue* args, int i) { return Real_TruncToInt32(Arg_Real(argc, args, i)); }
inline int64_t Arg_Int64Trunc(int argc, const CValue* args, int i) {
    return Real_TruncToInt64(Arg_Real(argc, args, i));
}

// A resource index (sprite, background, font, room, surface, texture ...) or an instance
// or object id: an integer like any other; the names say what the handler looks up.
inline int32_t Arg_Index(int argc, const CValue* args, int i) { return Arg_Int(argc, args, i); }
inline int32_t Arg_Id(int argc, const CValue* args, int i) { return Arg_Int(argc, args, i); }

inline uint32_t Colour_FromReal(double v) {
    v = std::nearbyint(v);
    // Every double below 2^63 in magnitude fits the cast; beyond it only the modulo is
    // left to take (and NaN and the infinities fail both tests).
    if (std::fabs(v) < 9223372036854775808.0) return uint32_t(uint64_t(int64_t(v))) & 0xFFFFFFu;
    if (!std::isfinite(v)) return 0;
    return uint32_t(uint64_t(int64_t(std::fmod(v, 4294967296.0)))) & 0xFFFFFFu;
}
inline uint32_t Arg_Colour(int argc, const CValue* args, int i) { return Colour_FromReal(Arg_Real(argc, args, i)); }

inline double Arg_Alpha(int argc, const CValue* args, int i) {
    const double a = Arg_Real(argc, args, i);
    return a > 0.0 ? (a < 1.0 ? a : 1.0) : 0.0;
}

// The text of the argument, "" for a number, a null text or a missing argument.
inline std::string_view Arg_Text(int argc, const CValue* args, int i) {
    const CValue* v = Arg_Find(argc, args, i);
    return v != nullptr && v->IsString() ? std::string_view(v->Text()) : std::string_view();
}
// The same, zero-terminated, for the calls that want a C string.
inline const char* Arg_CText(int argc, const CValue* args, int i) {
    const CValue* v = Arg_Find(argc, args, i);
    return v != nullptr && v->IsString() ? v->Text() : "";
}

// A text as it is, or a number (a missing argument being the real 0) in the `string`
// built-in's form, written into `number`, which must outlive the view: for the functions
// that draw, write or name a file by what they are given.
std::string_view Arg_TextForm(int argc, const CValue* args, int i, std::string& number);
// The same as a string of its own, for the handlers that keep or build on the text.
std::string Arg_TextFormCopy(int argc, const CValue* args, int i);
