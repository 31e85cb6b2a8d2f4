#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace {

// The scheduler may wake us this late; the last stretch is spun instead so a
// frame does not overshoot its slot.
constexpr int64_t kSpinMicroseconds = 1000;

// A day: longer requests are cut to it, which keeps the deadline and the
// clock's own conversions far from overflow.
constexpr int64_t kLongestSleepMicroseconds = 24LL * 60 * 60 * 1000000;

}  // namespace

int64_t Timing_Time() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void Timing_Sleep(int64_t microseconds) {
    if (microseconds <= 0) return;
    if (microseconds > kLongestSleepMicroseconds) microseconds = kLongestSleepMicroseconds;
    const int64_t deadline = Timing_Time() + microseconds;
    if (microseconds > kSpinMicroseconds) {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds - kSpinMicroseconds));
    }
    while (Timing_Time() < deadline) std::this_thread::yield();
}
