// Numbers for game code. Several of these work in single precision on purpose:
// games were tuned against float results (a sprite rotated by sin() of a float, a
// direction snapped to whole degrees), and replays must land on the same values.
#include "function/function_math.h"

#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "data/error.h"
#include "platform/clock.h"
#include "value/args.h"
#include "value/random.h"

namespace {

// pi as a float, widened: the value every angle conversion of the engine uses.
constexpr double kPiF = 3.1415927410125732;
// Trigonometry results this close to 0 are 0, so sin(pi) and cos(90 degrees) are exact.
constexpr double kTrigSnap = 1e-5;
// lengthdir_* results whose fraction is this small are whole numbers.
constexpr double kLengthdirSnap = 1e-4;
// median's marker for an argument it has already taken.
constexpr double kMedianTaken = 2147483647.0;

double F32(double v) { return static_cast<double>(static_cast<float>(v)); }

double SnapTrig(double v) { return std::fabs(v) < kTrigSnap ? 0.0 : v; }

// ---------------------------------------------------------------------------
// Types

void F_IsReal(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const bool real = !Arg_IsText(argc, args, 0);
    result.SetReal(real ? 1.0 : 0.0);
}

void F_IsString(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const bool text = Arg_IsText(argc, args, 0);
    result.SetReal(text ? 1.0 : 0.0);
}

// ---------------------------------------------------------------------------
// Random numbers

void F_Random(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Random_Next01() * Arg_Real(argc, args, 0));
}

void F_RandomRange(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double a = Arg_Real(argc, args, 0), b = Arg_Real(argc, args, 1);
    result.SetReal(Random_Next01() * std::fabs(a - b) + std::fmin(a, b));
}

void F_IRandom(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double n = std::trunc(Arg_Real(argc, args, 0));
    result.SetReal(std::trunc(Random_Next01() * (n + 1.0)));
}

void F_IRandomRange(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double a = Arg_Real(argc, args, 0), b = Arg_Real(argc, args, 1);
    // The span counts whole numbers, but the low end is added as given:
    // irandom_range(1.5, 4) gives 1.5, 2.5, 3.5 or 4.5.
    const double span = std::trunc(b) - std::trunc(a) + 1.0;
    result.SetReal(std::trunc(Random_Next01() * span) + a);
}

void F_RandomSetSeed(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int64_t whole = Arg_Int64Trunc(argc, args, 0);
    Random_SetSeed(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
    result.SetReal(0.0);
}

void F_RandomGetSeed(CValue& result, CInstance*, CInstance*, int, CValue*) {
    result.SetReal(static_cast<double>(Random_GetSeed()));
}

void F_Randomize(CValue& result, CInstance*, CInstance*, int, CValue*) {
    const uint64_t t = static_cast<uint64_t>(Timing_Time());
    uint64_t v = (t >> 32) + (t & 0xFFFFFFFFu);
    const uint32_t mix = static_cast<uint32_t>((t >> 16) & 0xFFFFu) ^ static_cast<uint32_t>((t & 0xFFFFu) << 16);
    const uint32_t low = static_cast<uint32_t>(v) ^ mix;
    v = (v & ~uint64_t{0xFFFFFFFFu}) | low;
    Random_SetSeed(low);
    result.SetReal(static_cast<double>(v));
}

void F_Choose(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc < 1 || args == nullptr) return;
    int32_t pick = Random_Int(argc);
    if (pick >= argc) pick = argc - 1;
    if (pick < 0) pick = 0;
    result.Copy(args[pick]);
}

// ---------------------------------------------------------------------------
// Rounding and arithmetic

void F_Abs(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(std::fabs(F32(Arg_Real(argc, args, 0))));
}

// nearbyint rounds halves to even in the default rounding mode; out of range and NaN
// become INT32_MIN like every other engine conversion to 32 bits.
void F_Round(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Real_TruncToInt32(std::nearbyint(Arg_Real(argc, args, 0))));
}

void F_Floor(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Real_TruncToInt32(std::floor(Arg_Real(argc, args, 0))));
}

void F_Ceil(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Real_TruncToInt32(std::ceil(Arg_Real(argc, args, 0))));
}

void F_Sign(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double x = Arg_Real(argc, args, 0);
    result.SetReal(!(x >= 0.0) ? -1.0 : (x == 0.0 ? 0.0 : 1.0));
}

void F_Frac(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    double whole = 0.0;
    result.SetReal(std::modf(Arg_Real(argc, args, 0), &whole));  // the infinities give 0
}

template <double (*Op)(double)>
void F_Unary(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Op(Arg_Real(argc, args, 0)));
}

double Sqrt(double x) { return std::sqrt(x); }
double Sqr(double x) { return x * x; }
double Exp(double x) { return std::exp(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Log2(double x) { return std::log(x) / std::log(2.0); }
double DegToRad(double x) { return x * kPiF / 180.0; }
double RadToDeg(double x) { return x * 180.0 / kPiF; }

void F_Logn(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(std::log(Arg_Real(argc, args, 0)) / std::log(Arg_Real(argc, args, 1)));
}

void F_Power(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(std::pow(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1)));
}

// The float argument goes through the double routine and the result is rounded
// back: a correctly rounded float result, the same on every C library.
template <double (*Op)(double)>
void F_Trig(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(SnapTrig(F32(Op(F32(Arg_Real(argc, args, 0))))));
}

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Atan(double x) { return std::atan(x); }

template <double (*Op)(double)>
void ArcTrig(CValue& result, int argc, CValue* args, const char* error) {
    const double x = F32(Arg_Real(argc, args, 0));
    if (!(x >= -1.0 && x <= 1.0)) {  // NaN too
        Code_ShowError(error, false);
        result.SetReal(0.0);
        return;
    }
    result.SetReal(SnapTrig(F32(Op(x))));
}

double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }

void F_Arcsin(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    ArcTrig<Asin>(result, argc, args, "Error in function arcsin().");
}

void F_Arccos(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    ArcTrig<Acos>(result, argc, args, "Error in function arccos().");
}

void F_Arctan2(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double y = F32(Arg_Real(argc, args, 0)), x = F32(Arg_Real(argc, args, 1));
    result.SetReal(SnapTrig(F32(std::atan2(y, x))));
}

void F_Clamp(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc < 1 || args == nullptr) return;
    double x = Arg_Real(argc, args, 0);
    const double lo = Arg_Real(argc, args, 1), hi = Arg_Real(argc, args, 2);
    if (x < lo) x = lo;
    if (x > hi) x = hi;
    result.SetReal(x);
}

void F_Lerp(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc != 3 || args == nullptr) return;
    const double a = Arg_Real(argc, args, 0), b = Arg_Real(argc, args, 1), t = Arg_Real(argc, args, 2);
    result.SetReal((b - a) * t + a);
}

// ---------------------------------------------------------------------------
// Aggregates

// min / max: the first of the extreme values wins (strict comparison, left to right).
// NaN never beats anything, and wins only from the first place.
template <bool Max>
void Extreme(CValue& result, int argc, CValue* args, const char* error) {
    if (argc < 1 || args == nullptr) return;
    for (int i = 0; i < argc; ++i)
        if (args[i].IsString()) {
            Code_ShowError(error, false);
            result.SetReal(0.0);
            return;
        }
    int best = 0;
    for (int i = 1; i < argc; ++i)
        if (Max ? Arg_Real(argc, args, i) > Arg_Real(argc, args, best)
                : Arg_Real(argc, args, i) < Arg_Real(argc, args, best))
            best = i;
    result.Copy(args[best]);
}

constexpr const char* kMinError = "Error min(): illegal argument; strings not permitted";
constexpr const char* kMaxError = "Error max(): illegal argument; strings not permitted";

void F_Min(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    Extreme<false>(result, argc, args, kMinError);
}
void F_Max(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    Extreme<true>(result, argc, args, kMaxError);
}
// min3 / max3 are min / max of (at most) their three arguments, messages included.
void F_Min3(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    Extreme<false>(result, argc < 3 ? argc : 3, args, kMinError);
}
void F_Max3(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    Extreme<true>(result, argc < 3 ? argc : 3, args, kMaxError);
}

void F_Mean(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc < 1 || args == nullptr) return;
    double sum = 0.0;
    for (int i = 0; i < argc; ++i) sum += Arg_Real(argc, args, i);
    result.SetReal(sum / argc);
}

// The upper median, by repeated selection of the smallest argument not yet taken (a
// later argument replaces the choice only when strictly smaller). Every value at or
// above 2147483647 counts as 2147483647 — the marker the selection was built around
// — so such arguments come out in argument order. Taken arguments are flagged rather
// than overwritten with the marker, so an argument above it can never lose its place
// to a marker. The arguments themselves are left alone: they belong to the caller.
void F_Median(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc < 1 || args == nullptr) return;
    auto key = [&](int i) { return Arg_Real(argc, args, i) >= kMedianTaken ? kMedianTaken : Arg_Real(argc, args, i); };
    std::vector<bool> taken(static_cast<size_t>(argc), false);
    int pick = 0;
    for (int round = 0; round <= argc / 2; ++round) {
        pick = -1;
        for (int i = 0; i < argc; ++i) {
            if (taken[static_cast<size_t>(i)]) continue;
            if (pick < 0 || key(i) < key(pick)) pick = i;
        }
        taken[static_cast<size_t>(pick)] = true;
    }
    result.SetReal(Arg_Real(argc, args, pick));
}

// ---------------------------------------------------------------------------
// Geometry: every coordinate is rounded to a float first.

void F_PointDistance(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double dx = F32(Arg_Real(argc, args, 2)) - F32(Arg_Real(argc, args, 0));
    const double dy = F32(Arg_Real(argc, args, 3)) - F32(Arg_Real(argc, args, 1));
    result.SetReal(F32(std::sqrt(F32(dx * dx + dy * dy))));
}

void F_PointDistance3d(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double dx = F32(Arg_Real(argc, args, 3)) - F32(Arg_Real(argc, args, 0));
    const double dy = F32(Arg_Real(argc, args, 4)) - F32(Arg_Real(argc, args, 1));
    const double dz = F32(Arg_Real(argc, args, 5)) - F32(Arg_Real(argc, args, 2));
    result.SetReal(F32(std::sqrt(F32(dx * dx + dy * dy + dz * dz))));
}

// Degrees counter-clockwise on screen, where y grows downwards.
void F_PointDirection(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double dx = F32(Arg_Real(argc, args, 2)) - F32(Arg_Real(argc, args, 0));
    const double dy = F32(Arg_Real(argc, args, 3)) - F32(Arg_Real(argc, args, 1));
    if (dx == 0.0) {
        result.SetReal(dy > 0.0 ? 270.0 : (dy < 0.0 ? 90.0 : 0.0));
        return;
    }
    const double angle = F32(F32(std::atan2(dy, dx)) * 180.0 / kPiF);
    // + 0.0 keeps a negated 0 from showing as -0; a positive angle below the double's
    // resolution next to 360 would round to 360, which is 0.
    double direction = angle <= 0.0 ? -angle + 0.0 : 360.0 - angle;
    if (direction >= 360.0) direction = 0.0;
    result.SetReal(direction);
}

// Whole numbers stay whole: lengthdir_x(10, 90) is 0, not -4.37e-07.
double SnapLengthdir(float v) {
    double whole = 0.0;
    const double fraction = std::modf(static_cast<double>(v), &whole);
    return std::fabs(fraction) < kLengthdirSnap ? whole + 0.0 : static_cast<double>(v);
}

float Radians(double degrees) { return static_cast<float>(F32(degrees) * kPiF / 180.0); }

void F_LengthdirX(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const float c = static_cast<float>(std::cos(static_cast<double>(Radians(Arg_Real(argc, args, 1)))));
    result.SetReal(SnapLengthdir(c * static_cast<float>(Arg_Real(argc, args, 0))));
}

void F_LengthdirY(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const float s = static_cast<float>(std::sin(static_cast<double>(Radians(Arg_Real(argc, args, 1)))));
    result.SetReal(SnapLengthdir(-s * static_cast<float>(Arg_Real(argc, args, 0))));
}

void F_DotProduct(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Arg_Real(argc, args, 0) * Arg_Real(argc, args, 2) +
                   Arg_Real(argc, args, 1) * Arg_Real(argc, args, 3));
}

void F_DotProduct3d(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Arg_Real(argc, args, 0) * Arg_Real(argc, args, 3) +
                   Arg_Real(argc, args, 1) * Arg_Real(argc, args, 4) +
                   Arg_Real(argc, args, 2) * Arg_Real(argc, args, 5));
}

// The cosine of the angle between two vectors. A zero vector has no direction: 0
// rather than the NaN the division would give.
template <int N>
void DotNormalised(CValue& result, int argc, CValue* args) {
    double a[N], b[N];
    for (int i = 0; i < N; ++i) {
        a[i] = F32(Arg_Real(argc, args, i));
        b[i] = F32(Arg_Real(argc, args, N + i));
    }
    double dot = 0.0, la = 0.0, lb = 0.0;
    for (int i = 0; i < N; ++i) {
        dot += a[i] * b[i];
        la += a[i] * a[i];
        lb += b[i] * b[i];
    }
    const double lengths = F32(std::sqrt(la)) * F32(std::sqrt(lb));
    result.SetReal(lengths == 0.0 ? 0.0 : dot / lengths);
}

void F_DotProductNormalised(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    DotNormalised<2>(result, argc, args);
}
void F_DotProduct3dNormalised(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    DotNormalised<3>(result, argc, args);
}

}  // namespace

extern const FunctionImpl kMathFunctions[] = {
    {"is_real", F_IsReal},
    {"is_string", F_IsString},
    {"random", F_Random},
    {"random_range", F_RandomRange},
    {"irandom", F_IRandom},
    {"irandom_range", F_IRandomRange},
    {"random_set_seed", F_RandomSetSeed},
    {"random_get_seed", F_RandomGetSeed},
    {"randomize", F_Randomize},
    {"abs", F_Abs},
    {"round", F_Round},
    {"floor", F_Floor},
    {"ceil", F_Ceil},
    {"sign", F_Sign},
    {"frac", F_Frac},
    {"sqrt", F_Unary<Sqrt>},
    {"sqr", F_Unary<Sqr>},
    {"exp", F_Unary<Exp>},
    {"ln", F_Unary<Ln>},
    {"log2", F_Unary<Log2>},
    {"log10", F_Unary<Log10>},
    {"sin", F_Trig<Sin>},
    {"cos", F_Trig<Cos>},
    {"tan", F_Trig<Tan>},
    {"arcsin", F_Arcsin},
    {"arccos", F_Arccos},
    {"arctan", F_Trig<Atan>},
    {"arctan2", F_Arctan2},
    {"degtorad", F_Unary<DegToRad>},
    {"radtodeg", F_Unary<RadToDeg>},
    {"power", F_Power},
    {"logn", F_Logn},
    {"min", F_Min},
    {"max", F_Max},
    {"min3", F_Min3},
    {"max3", F_Max3},
    {"mean", F_Mean},
    {"median", F_Median},
    {"choose", F_Choose},
    {"clamp", F_Clamp},
    {"lerp", F_Lerp},
    {"point_distance", F_PointDistance},
    {"point_direction", F_PointDirection},
    {"lengthdir_x", F_LengthdirX},
    {"lengthdir_y", F_LengthdirY},
    {"point_distance_3d", F_PointDistance3d},
    {"dot_product", F_DotProduct},
    {"dot_product_normalised", F_DotProductNormalised},
    {"dot_product_3d", F_DotProduct3d},
    {"dot_product_3d_normalised", F_DotProduct3dNormalised},
};
extern const size_t kMathFunctionCount = std::size(kMathFunctions);
