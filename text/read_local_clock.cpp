// The local wall clock, read in a file of its own: a program that must run
// reproducibly (the tests that compare two builds of the sample run byte
// for byte) links its own readLocalClock, which then takes the place of
// this one.
#include <chrono>
#include <ctime>

#include "text/fdate23.hpp"

namespace quorl {

ClockReading readLocalClock() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    ClockReading v{};
    v[1] = local.tm_year + 1900;
    v[2] = local.tm_mon + 1;
    v[3] = local.tm_mday;
    v[4] = static_cast<std::int32_t>(local.tm_gmtoff / 60);
    v[5] = local.tm_hour;
    v[6] = local.tm_min;
    v[7] = local.tm_sec;
    v[8] = static_cast<std::int32_t>(ms < 0 ? ms + 1000 : ms);
    return v;
}

}  // namespace quorl
