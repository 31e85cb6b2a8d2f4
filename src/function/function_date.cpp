// The date functions. A date-time from the clock is
//   (whole seconds since 1970 + 0.5) / 86400 + 25569,
// the half second putting it in the middle of its second. Breaking one into fields
// takes seconds = (d - 25569) * 86400 - 0.5 truncated, then the platform's local
// calendar (time zone and daylight saving). Below 25569 the subtraction is skipped:
// such a value is read as days since 1970 itself. So that every date-time we build
// reads back as the fields it was built from, we build the same way round:
//   seconds >= 0: (seconds + 0.5) / 86400 + 25569
//   seconds <  0: (seconds + 0.5) / 86400          (before 1970: a negative value)
// A time without a date (date_create_time) is that time on 1 January 1970, local.
// Spans and comparisons therefore only mean something between date-times on the same
// side of 1970; games work with dates of their own time, which are all after it.
#include "function/function_date.h"

#include "value/args.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <string>

namespace {

constexpr double kUnixDay = 25569.0;
constexpr double kSecondsPerDay = 86400.0;
constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;
// About 10000 years of seconds: beyond this no calendar field fits.
constexpr double kMaxSeconds = 4e11;

double FromSeconds(int64_t seconds) {
    const double days = (static_cast<double>(seconds) + 0.5) / kSecondsPerDay;
    return seconds >= 0 ? days + kUnixDay : days;
}

// False for NaN, the infinities and values no calendar can hold.
bool ToSeconds(double d, int64_t& seconds) {
    double x = d < kUnixDay ? d * kSecondsPerDay : (d - kUnixDay) * kSecondsPerDay;
    if (!(std::fabs(x) < kMaxSeconds)) return false;
    // A day count near 45000 carries about a microsecond of rounding error; at the
    // middle of a second that would tip the truncation below into the second before.
    // Snapped to the millisecond, x - 0.5 is exact again.
    x = std::nearbyint(x * 1000.0) / 1000.0;
    seconds = Real_TruncToInt64(x - 0.5);
    return true;
}

bool Break(double d, std::tm& fields) {
    int64_t seconds = 0;
    if (!ToSeconds(d, seconds)) return false;
    const std::time_t t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &fields) != nullptr;
}

bool IsLeap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool ValidDate(int64_t year, int64_t month, int64_t day) {
    return year >= kMinYear && year <= kMaxYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, static_cast<int>(month));
}
bool ValidTime(int64_t hour, int64_t minute, int64_t second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// Local fields to a date-time. mktime normalises fields out of range (day 32, hour
// 25), which the increments rely on. False when the platform cannot convert.
bool Build(std::tm fields, double& d) {
    fields.tm_isdst = -1;  // let the platform decide daylight saving for that moment
    fields.tm_wday = -1;   // mktime sets it on success; -1 is also a valid result
    const std::time_t t = std::mktime(&fields);
    if (fields.tm_wday < 0) return false;
    const int64_t year = int64_t{fields.tm_year} + 1900;
    if (year < kMinYear || year > kMaxYear) return false;
    d = FromSeconds(static_cast<int64_t>(t));
    return true;
}

std::tm Fields(int64_t year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = static_cast<int>(year - 1900);
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return fields;
}

// ---------------------------------------------------------------------------
// The clock

double Now() {
    using namespace std::chrono;
    const int64_t seconds = duration_cast<std::chrono::seconds>(system_clock::now().time_since_epoch()).count();
    return (static_cast<double>(seconds) + 0.5) / kSecondsPerDay + kUnixDay;
}

void F_CurrentDatetime(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(Now()); }
void F_CurrentDate(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(std::trunc(Now())); }
void F_CurrentTime(CValue& result, CInstance*, CInstance*, int, CValue*) {
    const double now = Now();
    result.SetReal(now - std::trunc(now));
}

// ---------------------------------------------------------------------------
// Building and validating. Fields are truncated; an invalid date or time gives 0.

void F_CreateDatetime(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int32_t y = Arg_IntTrunc(argc, args, 0), mo = Arg_IntTrunc(argc, args, 1), d = Arg_IntTrunc(argc, args, 2);
    const int32_t h = Arg_IntTrunc(argc, args, 3), mi = Arg_IntTrunc(argc, args, 4), s = Arg_IntTrunc(argc, args, 5);
    double value = 0.0;
    if (ValidDate(y, mo, d) && ValidTime(h, mi, s)) Build(Fields(y, mo, d, h, mi, s), value);
    result.SetReal(value);
}

void F_CreateDate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int32_t y = Arg_IntTrunc(argc, args, 0), mo = Arg_IntTrunc(argc, args, 1), d = Arg_IntTrunc(argc, args, 2);
    double value = 0.0;
    if (ValidDate(y, mo, d)) Build(Fields(y, mo, d, 0, 0, 0), value);
    result.SetReal(value);
}

void F_CreateTime(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int32_t h = Arg_IntTrunc(argc, args, 0), mi = Arg_IntTrunc(argc, args, 1), s = Arg_IntTrunc(argc, args, 2);
    double value = 0.0;
    if (ValidTime(h, mi, s)) Build(Fields(1970, 1, 1, h, mi, s), value);
    result.SetReal(value);
}

void F_ValidDatetime(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const bool ok = ValidDate(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)) &&
                    ValidTime(Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4), Arg_IntTrunc(argc, args, 5));
    result.SetReal(ok ? 1.0 : 0.0);
}
void F_ValidDate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(
        ValidDate(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)) ? 1.0 : 0.0);
}
void F_ValidTime(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(
        ValidTime(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)) ? 1.0 : 0.0);
}

// ---------------------------------------------------------------------------
// Shifting. Years and months move on the calendar, keeping the day where the new
// month has it and otherwise taking its last day (31 January + 1 month = 28 or 29
// February). Weeks and days move on the local calendar, so the time of day stays put
// across a daylight saving change; hours, minutes and seconds are elapsed time. A
// date-time that cannot be broken, or a shift beyond the years 1 to 9999, gives the
// date-time back unchanged.

enum class TUnit { kYear, kMonth, kWeek, kDay, kHour, kMinute, kSecond };

template <TUnit U>
void F_Inc(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double d = Arg_Real(argc, args, 0);
    result.SetReal(d);
    const double n = std::trunc(Arg_Real(argc, args, 1));
    // Ten thousand years in the smallest unit used below: anything more leaves the range.
    if (!(std::fabs(n) <= 4e11)) return;
    const int64_t amount = static_cast<int64_t>(n);
    double shifted = 0.0;
    if constexpr (U == TUnit::kHour || U == TUnit::kMinute || U == TUnit::kSecond) {
        int64_t seconds = 0;
        if (!ToSeconds(d, seconds)) return;
        const int64_t unit = U == TUnit::kHour ? 3600 : (U == TUnit::kMinute ? 60 : 1);
        seconds += amount * unit;
        std::tm fields{};
        const std::time_t t = static_cast<std::time_t>(seconds);
        if (localtime_r(&t, &fields) == nullptr) return;
        const int64_t year = int64_t{fields.tm_year} + 1900;
        if (year < kMinYear || year > kMaxYear) return;
        shifted = FromSeconds(seconds);
    } else {
        std::tm fields{};
        if (!Break(d, fields)) return;
        int64_t year = int64_t{fields.tm_year} + 1900;
        int64_t month = fields.tm_mon + 1;
        int64_t day = fields.tm_mday;
        if constexpr (U == TUnit::kYear || U == TUnit::kMonth) {
            const int64_t months = year * 12 + (month - 1) + (U == TUnit::kYear ? amount * 12 : amount);
            year = months / 12;  // months is positive whenever the year lands in range
            month = months % 12 + 1;
            if (months < 0 || year < kMinYear || year > kMaxYear) return;
            const int last = DaysInMonth(year, static_cast<int>(month));
            if (day > last) day = last;
        } else {
            const int64_t days = U == TUnit::kWeek ? amount * 7 : amount;
            if (std::llabs(days) > 3700000) return;  // more than 10000 years
            day += days;                             // mktime carries it into months and years
        }
        if (!Build(Fields(year, static_cast<int>(month), static_cast<int>(day), fields.tm_hour, fields.tm_min,
                          fields.tm_sec),
                   shifted))
            return;
    }
    result.SetReal(shifted);
}

// ---------------------------------------------------------------------------
// Fields. A date-time that cannot be broken gives 0.

// ISO 8601 week: weeks start on Monday, week 1 holds the year's first Thursday.
int IsoWeek(const std::tm& f) {
    const int weekday = (f.tm_wday + 6) % 7;  // Monday 0
    int week = (f.tm_yday - weekday + 10) / 7;
    const int64_t year = int64_t{f.tm_year} + 1900;
    auto weeksIn = [](int64_t y) {
        // A year has 53 weeks when it starts on a Thursday, or on a Wednesday in a leap year.
        const int64_t p = (y + y / 4 - y / 100 + y / 400) % 7;
        const int64_t q = ((y - 1) + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400) % 7;
        return (p == 4 || q == 3) ? 53 : 52;
    };
    if (week < 1) week = weeksIn(year - 1);
    else if (week > weeksIn(year)) week = 1;
    return week;
}

enum class TField {
    kYear,
    kMonth,
    kWeek,
    kDay,
    kHour,
    kMinute,
    kSecond,
    kWeekday,
    kDayOfYear,
    kHourOfYear,
    kMinuteOfYear,
    kSecondOfYear
};

template <TField F>
void F_Get(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::tm f{};
    if (!Break(Arg_Real(argc, args, 0), f)) return;
    const double hourOfYear = double(f.tm_yday) * 24 + f.tm_hour;
    double v = 0;
    switch (F) {
    case TField::kYear: v = double(f.tm_year) + 1900; break;
    case TField::kMonth: v = f.tm_mon + 1; break;
    case TField::kWeek: v = IsoWeek(f); break;
    case TField::kDay: v = f.tm_mday; break;
    case TField::kHour: v = f.tm_hour; break;
    case TField::kMinute: v = f.tm_min; break;
    case TField::kSecond: v = f.tm_sec; break;
    case TField::kWeekday: v = f.tm_wday; break;  // 0 Sunday to 6 Saturday
    case TField::kDayOfYear: v = f.tm_yday + 1; break;
    case TField::kHourOfYear: v = hourOfYear; break;
    case TField::kMinuteOfYear: v = hourOfYear * 60 + f.tm_min; break;
    case TField::kSecondOfYear: v = (hourOfYear * 60 + f.tm_min) * 60 + f.tm_sec; break;
    }
    result.SetReal(v);
}

// ---------------------------------------------------------------------------
// Spans (fractional, never negative) and comparisons

// How many of the unit a day holds, as a fraction (a year is 365.25 days, a month a
// twelfth of that): not every compiler takes a double as a template argument, and the
// quotient of the two exact numbers is the same double as the constant would be.
template <int PerDayNum, int PerDayDen>
void F_Span(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    constexpr double kPerDay = double(PerDayNum) / double(PerDayDen);
    result.SetReal(std::fabs(Arg_Real(argc, args, 0) - Arg_Real(argc, args, 1)) * kPerDay);
}

double Compare(double a, double b) { return a < b ? -1.0 : (a > b ? 1.0 : 0.0); }

void F_CompareDatetime(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Compare(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1)));
}
void F_CompareDate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int32_t a = Arg_IntTrunc(argc, args, 0), b = Arg_IntTrunc(argc, args, 1);
    result.SetReal(a < b ? -1.0 : (a > b ? 1.0 : 0.0));
}
// The local times of day, to the second.
void F_CompareTime(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::tm a{}, b{};
    if (!Break(Arg_Real(argc, args, 0), a) || !Break(Arg_Real(argc, args, 1), b)) return;
    result.SetReal(Compare(a.tm_hour * 3600 + a.tm_min * 60 + a.tm_sec, b.tm_hour * 3600 + b.tm_min * 60 + b.tm_sec));
}

void F_DateOf(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(std::trunc(Arg_Real(argc, args, 0)));
}
void F_TimeOf(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double d = Arg_Real(argc, args, 0);
    result.SetReal(std::isfinite(d) ? d - std::trunc(d) : 0.0);
}

// ---------------------------------------------------------------------------
// Texts (ISO 8601 order, local time) and the calendar

template <int Parts>  // 1 date, 2 time, 3 both
void F_String(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString({});
    std::tm f{};
    if (!Break(Arg_Real(argc, args, 0), f)) return;
    char date[32], time[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", f.tm_year + 1900, f.tm_mon + 1, f.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", f.tm_hour, f.tm_min, f.tm_sec);
    std::string text;
    if (Parts & 1) text += date;
    if (Parts == 3) text += ' ';
    if (Parts & 2) text += time;
    result.SetString(text);
}

void F_DaysInMonth(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::tm f{};
    if (Break(Arg_Real(argc, args, 0), f)) result.SetReal(DaysInMonth(int64_t{f.tm_year} + 1900, f.tm_mon + 1));
}
void F_DaysInYear(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::tm f{};
    if (Break(Arg_Real(argc, args, 0), f)) result.SetReal(IsLeap(int64_t{f.tm_year} + 1900) ? 366 : 365);
}
void F_LeapYear(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::tm f{};
    if (Break(Arg_Real(argc, args, 0), f)) result.SetReal(IsLeap(int64_t{f.tm_year} + 1900) ? 1 : 0);
}
void F_IsToday(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::tm f{}, now{};
    if (!Break(Arg_Real(argc, args, 0), f) || !Break(Now(), now)) return;
    const bool today = f.tm_year == now.tm_year && f.tm_yday == now.tm_yday;
    result.SetReal(today ? 1 : 0);
}

}  // namespace

extern const FunctionImpl kDateFunctions[] = {
    {"date_current_datetime", F_CurrentDatetime},
    {"date_current_date", F_CurrentDate},
    {"date_current_time", F_CurrentTime},
    {"date_create_datetime", F_CreateDatetime},
    {"date_create_date", F_CreateDate},
    {"date_create_time", F_CreateTime},
    {"date_valid_datetime", F_ValidDatetime},
    {"date_valid_date", F_ValidDate},
    {"date_valid_time", F_ValidTime},
    {"date_inc_year", F_Inc<TUnit::kYear>},
    {"date_inc_month", F_Inc<TUnit::kMonth>},
    {"date_inc_week", F_Inc<TUnit::kWeek>},
    {"date_inc_day", F_Inc<TUnit::kDay>},
    {"date_inc_hour", F_Inc<TUnit::kHour>},
    {"date_inc_minute", F_Inc<TUnit::kMinute>},
    {"date_inc_second", F_Inc<TUnit::kSecond>},
    {"date_get_year", F_Get<TField::kYear>},
    {"date_get_month", F_Get<TField::kMonth>},
    {"date_get_week", F_Get<TField::kWeek>},
    {"date_get_day", F_Get<TField::kDay>},
    {"date_get_hour", F_Get<TField::kHour>},
    {"date_get_minute", F_Get<TField::kMinute>},
    {"date_get_second", F_Get<TField::kSecond>},
    {"date_get_weekday", F_Get<TField::kWeekday>},
    {"date_get_day_of_year", F_Get<TField::kDayOfYear>},
    {"date_get_hour_of_year", F_Get<TField::kHourOfYear>},
    {"date_get_minute_of_year", F_Get<TField::kMinuteOfYear>},
    {"date_get_second_of_year", F_Get<TField::kSecondOfYear>},
    {"date_year_span", F_Span<4, 1461>},
    {"date_month_span", F_Span<48, 1461>},
    {"date_week_span", F_Span<1, 7>},
    {"date_day_span", F_Span<1, 1>},
    {"date_hour_span", F_Span<24, 1>},
    {"date_minute_span", F_Span<1440, 1>},
    {"date_second_span", F_Span<86400, 1>},
    {"date_compare_datetime", F_CompareDatetime},
    {"date_compare_date", F_CompareDate},
    {"date_compare_time", F_CompareTime},
    {"date_date_of", F_DateOf},
    {"date_time_of", F_TimeOf},
    {"date_datetime_string", F_String<3>},
    {"date_date_string", F_String<1>},
    {"date_time_string", F_String<2>},
    {"date_days_in_month", F_DaysInMonth},
    {"date_days_in_year", F_DaysInYear},
    {"date_leap_year", F_LeapYear},
    {"date_is_today", F_IsToday},
};
extern const size_t kDateFunctionCount = std::size(kDateFunctions);
