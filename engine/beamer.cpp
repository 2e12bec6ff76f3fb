#include "engine/beamer.hpp"

#include <sys/resource.h>

namespace quorl {

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); }

// Reads the stopwatch: DT is the processor time (user plus system) since
// the previous reading, TARRAY its two parts.
void readStopwatch(State::Beamer& b) {
    float user = 0.0f;
    float system = 0.0f;
    if (b.stopwatch) {
        b.stopwatch(user, system);
    } else {
        rusage ru{};
        getrusage(RUSAGE_SELF, &ru);
        const double u = seconds(ru.ru_utime);
        const double sy = seconds(ru.ru_stime);
        user = static_cast<float>(u - b.userBefore);
        system = static_cast<float>(sy - b.systemBefore);
        b.userBefore = u;
        b.systemBefore = sy;
    }
    b.TARRAY(1) = user;
    b.TARRAY(2) = system;
    b.DT = user + system;
}

}  // namespace

void BEAMER(State& s, int N, int NTOT) {
    State::Beamer& b = s.beamer;
    if (N == 1) {
        write(s, 6, "('Beamer '\\)");
        readStopwatch(b);  // starts the timing; not shown
        b.NM = NTOT / 50;
        if (b.NM == 0) {
            b.NM = 1;
        }
        return;
    }
    if (N == NTOT) {
        write(s, 6, "(' done.' )");
    }
    // A bar that was never started (no call with N = 1) has no marks.
    if (b.NM <= 0 || N % b.NM != 1) {
        return;
    }
    if (N / b.NM == 1) {
        // The time of the first NM items, fifty times: the whole loop's.
        readStopwatch(b);
        write(s, 6, "(f9.2,'sec.'\\)", b.DT * 50.0f);
    }
    if (N % (5 * b.NM) == 1) {
        write(s, 6, "('*'\\)");
    } else {
        write(s, 6, "(':'\\)");
    }
}

void beamerWhole(State& s, int NTOT) {
    if (NTOT < 1) {
        return;
    }
    BEAMER(s, 1, NTOT);
    // After N = 1 the bar changes only at N = NTOT and where N % NM == 1.
    const int step = s.beamer.NM;
    for (int N = 1 + step; N < NTOT; N += step) {
        BEAMER(s, N, NTOT);
    }
    if (NTOT > 1) {
        BEAMER(s, NTOT, NTOT);
    }
}

}  // namespace quorl
