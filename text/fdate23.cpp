#include "text/fdate23.hpp"

#include "io/internal_write.hpp"

namespace quorl {

Text<23> timestampText(const ClockReading& MYVALUES) {
    Text<23> text;
    io::writeInternal(text, "(i4,'.',i2.2,'.',i2.2,' ',i2.2,':',i2.2,':',i2.2,':',i3.3)", MYVALUES[1], MYVALUES[2],
                      MYVALUES[3], MYVALUES[5], MYVALUES[6], MYVALUES[7], MYVALUES[8]);
    return text;
}

void FDATE23(Text<23>& DATIME) { DATIME = timestampText(readLocalClock()); }

}  // namespace quorl
