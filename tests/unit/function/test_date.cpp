// Date-times: building, breaking into local fields, shifting, spans and texts.
// Known values are checked in UTC; round trips in zones west and east of it.
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "function/call_table.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Date-times of known instants: (seconds since 1970 + 0.5) / 86400 + 25569.
constexpr double k2000Noon = 36526.500005787035;     // 2000-01-01 12:00:00, 946728000 s
constexpr double kJuly15 = 44392.57326967592;        // 2021-07-15 13:45:30, a Thursday
constexpr double kJuly16 = 44393.57326967592;        // a day later
constexpr double kJuly15Later = 44392.614936342594;  // an hour later
constexpr double kNewYear2021 = 44197.000005787035;  // 2021-01-01, a Friday: ISO week 53 of 2020
constexpr double kDec30_2019 = 43829.000005787035;   // a Monday: ISO week 1 of 2020
constexpr double kJan31Noon = 44227.500005787035;    // 2021-01-31 12:00
constexpr double kFeb28Noon = 44255.500005787035;    // 2021-02-28 12:00
constexpr double kLeapDay2024 = 45351.000005787035;  // 2024-02-29
constexpr double kFeb28_2025 = 45716.000005787035;
constexpr double kMarch2100 = 73110.00000578703;  // 2100-03-01: 2100 is no leap year
constexpr double k1950 = -7153.6458275462965;     // 1950-06-01 08:30, -618075000 s: below 1970
                                                  // the value is days since 1970 itself

class DateTest : public CallTableTest {
protected:
    void SetUp() override {
        CallTableTest::SetUp();
        if (const char* tz = std::getenv("TZ")) savedZone = tz;
        Zone("UTC0");
    }
    void TearDown() override {
        if (savedZone) setenv("TZ", savedZone->c_str(), 1);
        else unsetenv("TZ");
        tzset();
        CallTableTest::TearDown();
    }
    static void Zone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    static double Get(const char* function, double d) { return Call(function, {CValue(d)}).val; }

    std::optional<std::string> savedZone;
};

TEST_F(DateTest, BuildAndValidate) {
    RunTable({
        {"date_create_datetime", {R(2000), R(1), R(1), R(12), R(0), R(0)}, R(k2000Noon)},
        {"date_create_datetime", {R(2021), R(7), R(15), R(13), R(45), R(30.9)}, R(kJuly15)},  // truncated
        {"date_create_date", {R(2024), R(2), R(29)}, R(kLeapDay2024)},
        {"date_create_date", {R(1950), R(6), R(1)}, R(-7153.9999942129625)},
        {"date_create_date", {R(2021), R(2), R(29)}, R(0)},  // invalid: 0
        {"date_create_datetime", {R(2021), R(1), R(1), R(24), R(0), R(0)}, R(0)},
        {"date_create_time", {R(6), R(0), R(0)}, R(25569.25000578704)},  // on 1 January 1970
        {"date_create_date", {R(kNaN), R(1), R(1)}, R(0)},
        {"date_valid_date", {R(2024), R(2), R(29)}, R(1)},
        {"date_valid_date", {R(2100), R(2), R(29)}, R(0)},
        {"date_valid_date", {R(2021), R(4), R(31)}, R(0)},
        {"date_valid_date", {R(10000), R(1), R(1)}, R(0)},
        {"date_valid_time", {R(23), R(59), R(59)}, R(1)},
        {"date_valid_time", {R(0), R(60), R(0)}, R(0)},
        {"date_valid_datetime", {R(2020), R(13), R(1), R(0), R(0), R(0)}, R(0)},
        {"date_valid_datetime", {R(2020), R(12), R(1), R(0), R(0), R(-1)}, R(0)},
    });
}

TEST_F(DateTest, Fields) {
    RunTable({
        {"date_get_year", {R(kJuly15)}, R(2021)},
        {"date_get_month", {R(kJuly15)}, R(7)},
        {"date_get_day", {R(kJuly15)}, R(15)},
        {"date_get_hour", {R(kJuly15)}, R(13)},
        {"date_get_minute", {R(kJuly15)}, R(45)},
        {"date_get_second", {R(kJuly15)}, R(30)},
        {"date_get_weekday", {R(kJuly15)}, R(4)},  // 0 is Sunday
        {"date_get_week", {R(kJuly15)}, R(28)},
        {"date_get_week", {R(kNewYear2021)}, R(53)},
        {"date_get_week", {R(kDec30_2019)}, R(1)},
        {"date_get_day_of_year", {R(kJuly15)}, R(196)},
        {"date_get_hour_of_year", {R(kJuly15)}, R(195 * 24 + 13)},
        {"date_get_minute_of_year", {R(kJuly15)}, R((195 * 24 + 13) * 60 + 45)},
        {"date_get_second_of_year", {R(kJuly15)}, R(((195 * 24 + 13) * 60 + 45) * 60 + 30)},
        {"date_get_year", {R(k1950)}, R(1950)},
        {"date_get_minute", {R(k1950)}, R(30)},
        {"date_get_year", {R(kNaN)}, R(0)},
        {"date_get_year", {R(1e300)}, R(0)},
        {"date_datetime_string", {R(kJuly15)}, S("2021-07-15 13:45:30")},
        {"date_date_string", {R(kJuly15)}, S("2021-07-15")},
        {"date_time_string", {R(kJuly15)}, S("13:45:30")},
        {"date_time_string", {R(kNaN)}, S("")},
        {"date_days_in_month", {R(kLeapDay2024)}, R(29)},
        {"date_days_in_month", {R(kJuly15)}, R(31)},
        {"date_days_in_year", {R(kLeapDay2024)}, R(366)},
        {"date_leap_year", {R(kMarch2100)}, R(0)},
        {"date_leap_year", {R(k2000Noon)}, R(1)},
    });
}

TEST_F(DateTest, ShiftsSpansAndComparisons) {
    RunTable({
        {"date_inc_day", {R(kJuly15), R(1)}, R(kJuly16)},
        {"date_inc_week", {R(kJuly15), R(0)}, R(kJuly15)},
        {"date_inc_hour", {R(kJuly15), R(1)}, R(kJuly15Later)},
        {"date_inc_minute", {R(kJuly15), R(60)}, R(kJuly15Later)},
        {"date_inc_second", {R(kJuly15), R(3600)}, R(kJuly15Later)},
        {"date_inc_month", {R(kJan31Noon), R(1)}, R(kFeb28Noon)},  // the month's last day
        {"date_inc_year", {R(kLeapDay2024), R(1)}, R(kFeb28_2025)},
        {"date_inc_year", {R(kJuly15), R(1e9)}, R(kJuly15)},  // beyond 9999: unchanged
        {"date_inc_day", {R(kJuly15), R(kNaN)}, R(kJuly15)},
        {"date_inc_month", {R(kNaN), R(1)}, R(kNaN)},
        {"date_day_span", {R(1), R(3.5)}, R(2.5)},
        {"date_hour_span", {R(0.5), R(0)}, R(12)},
        {"date_week_span", {R(0), R(14)}, R(2)},
        {"date_year_span", {R(0), R(365.25)}, R(1)},
        {"date_second_span", {R(0), R(0.5)}, R(43200)},
        {"date_compare_datetime", {R(1), R(2)}, R(-1)},
        {"date_compare_datetime", {R(2), R(2)}, R(0)},
        {"date_compare_date", {R(36526.9), R(36526.1)}, R(0)},
        {"date_compare_date", {R(36527.0), R(36526.9)}, R(1)},
        {"date_compare_time", {R(kJuly15), R(kJuly16)}, R(0)},
        {"date_compare_time", {R(kJuly15Later), R(kJuly16)}, R(1)},
        {"date_date_of", {R(36526.75)}, R(36526)},
        {"date_time_of", {R(36526.75)}, R(0.75)},
        {"date_time_of", {R(kNaN)}, R(0)},
    });
}

// Local fields read back as they were built, whatever the zone: west of UTC with
// daylight saving, and east of it, where 1 January 1970 early morning is before 1970.
TEST_F(DateTest, RoundTripsInLocalTime) {
    struct Fields {
        int y, mo, d, h, mi, s;
    } const cases[] = {
        {2021, 7, 15, 13, 45, 30}, {2021, 12, 1, 0, 0, 0},  {1950, 6, 1, 8, 30, 59},
        {1970, 1, 1, 0, 0, 0},     {2038, 1, 19, 3, 14, 8}, {9999, 12, 31, 23, 59, 59},
    };
    for (const char* zone : {"EST5EDT,M3.2.0,M11.1.0", "AEST-10"}) {
        Zone(zone);
        for (const Fields& f : cases) {
            const double d =
                Call("date_create_datetime", {CValue(double(f.y)), CValue(double(f.mo)), CValue(double(f.d)),
                                              CValue(double(f.h)), CValue(double(f.mi)), CValue(double(f.s))})
                    .val;
            const std::string what = std::string(zone) + " " + std::to_string(f.y) + "-" + std::to_string(f.mo);
            EXPECT_EQ(Get("date_get_year", d), f.y) << what;
            EXPECT_EQ(Get("date_get_month", d), f.mo) << what;
            EXPECT_EQ(Get("date_get_day", d), f.d) << what;
            EXPECT_EQ(Get("date_get_hour", d), f.h) << what;
            EXPECT_EQ(Get("date_get_minute", d), f.mi) << what;
            EXPECT_EQ(Get("date_get_second", d), f.s) << what;
        }
        const double t = Call("date_create_time", {CValue(1.0), CValue(2.0), CValue(3.0)}).val;
        EXPECT_EQ(Get("date_get_hour", t), 1) << zone;
        EXPECT_EQ(Get("date_get_minute", t), 2) << zone;
        EXPECT_EQ(Get("date_get_second", t), 3) << zone;
    }

    // Days move on the local calendar, hours are elapsed time: across the spring
    // change a day later is still noon, 24 hours later is one o'clock.
    Zone("EST5EDT,M3.2.0,M11.1.0");
    const double noon = Call("date_create_datetime",
                             {CValue(2021.0), CValue(3.0), CValue(13.0), CValue(12.0), CValue(0.0), CValue(0.0)})
                            .val;
    EXPECT_EQ(Get("date_get_hour", Call("date_inc_day", {CValue(noon), CValue(1.0)}).val), 12);
    EXPECT_EQ(Get("date_get_hour", Call("date_inc_hour", {CValue(noon), CValue(24.0)}).val), 13);
}

TEST_F(DateTest, TheClock) {
    const double now = Call("date_current_datetime", {}).val;
    EXPECT_GT(now, 44197.0);  // after 2021
    EXPECT_EQ(Get("date_is_today", now), 1);
    EXPECT_EQ(Get("date_is_today", now - 2), 0);
    const double date = Call("date_current_date", {}).val, time = Call("date_current_time", {}).val;
    EXPECT_EQ(date, std::trunc(date));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
}

}  // namespace
