#include "text/fdate23.hpp"

#include <chrono>
#include <ctime>

#include "io/internal_write.hpp"

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

Text<23> timestampText(const ClockReading& MYVALUES) {
    Text<23> text;
    io::writeInternal(text, "(i4,'.',i2.2,'.',i2.2,' ',i2.2,':',i2.2,':',i2.2,':',i3.3)", MYVALUES[1], MYVALUES[2],
                      MYVALUES[3], MYVALUES[5], MYVALUES[6], MYVALUES[7], MYVALUES[8]);
    return text;
}

void FDATE23(Text<23>& DATIME) { DATIME = timestampText(readLocalClock()); }

}  // namespace quorl
