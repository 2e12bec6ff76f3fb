// FDATE23: the system's timestamp, 23 characters of local date and time to
// the millisecond, e.g. "2018.10.09 08:00:05:042".
#pragma once

#include <array>
#include <cstdint>

#include "io/fixed_text.hpp"

namespace quorl {

// A clock reading in the order of the system's MYVALUES: 1 year, 2 month,
// 3 day, 4 offset from UTC in minutes, 5 hour, 6 minute, 7 second,
// 8 millisecond (index 0 unused).
using ClockReading = std::array<std::int32_t, 9>;

// The local wall clock now.
ClockReading readLocalClock();

// The timestamp text of one reading (the UTC offset is not used).
Text<23> timestampText(const ClockReading& MYVALUES);

// Reads the local clock and writes its timestamp into DATIME.
void FDATE23(Text<23>& DATIME);

}  // namespace quorl
