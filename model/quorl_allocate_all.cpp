#include "model/quorl_allocate_all.hpp"

#include <new>
#include <stdexcept>
#include <string_view>

#include "io/pause.hpp"
#include "io/stop.hpp"

namespace quorl {

namespace {

void haltIfBelowOne(State& s, std::int32_t size, std::string_view fmt) {
    if (size < 1) {
        write(s, 6, fmt, size);
        io::stop("", 1);
    }
}

// Runs one allocation; a failure shows its text, waits for Enter and stops.
// Arrays allocated before it are left as they are: the program ends.
template <class Allocate>
void allocateOrStop(State& s, std::string_view failureText, Allocate&& allocate) {
    try {
        allocate();
    } catch (const std::bad_alloc&) {
        io::pause(s.units, failureText);
        io::stop("", 2);
    } catch (const std::length_error&) {
        io::pause(s.units, failureText);
        io::stop("", 2);
    }
}

}  // namespace

void QUORLALLOCATEALL(State& s) {
    haltIfBelowOne(s, s.KPTOT, "(1x,'Quorl halt!  Kptot=',i9)");
    haltIfBelowOne(s, s.LZTOT, "(1x,'Quorl halt!  Lztot=',i9)");
    haltIfBelowOne(s, s.MDTOT, "(1x,'Quorl halt!  Mdtot=',i9)");
    haltIfBelowOne(s, s.NXTOT, "(1x,'Quorl halt!  Nxtot=',i9)");

    // The templates carry blank names, so a filled element is P0 with a
    // blank PNAME (and likewise for the others).
    allocateOrStop(s, "QuorlAllocateAll: Pr(Kptot) allocation error. `Enter` to exit.", [&] {
        s.PR.allocate(1, s.KPTOT);
        s.PR.fill(s.P0);
    });
    allocateOrStop(s, "QuorlAllocateAll: Zr(Lztot) allocation error. `Enter` to exit.", [&] {
        s.ZR.allocate(1, s.LZTOT);
        s.ZR.fill(s.Z0);
    });
    allocateOrStop(s, "QuorlAllocateAll: Datae() allocation error. `Enter` to exit.", [&] {
        // The row count is formed in 64 bits: NXTOT + LZTOT may exceed int.
        const std::int64_t rows = std::int64_t{s.NXTOT} + s.LZTOT;
        if (rows > INT32_MAX) {
            throw std::length_error("DATAE rows");
        }
        // A model may fill DATAE in mode 0 as it reads its data (DataTable
        // does: the table is then read once); an array of the right bounds
        // is kept as the model left it.
        const bool filled = !s.DATAE.empty() && s.DATAE.lower(1) == 0 && s.DATAE.upper(1) == rows &&
                            s.DATAE.lower(2) == 1 && s.DATAE.upper(2) == s.MDTOT;
        if (!filled) {
            s.DATAE.allocate(0, static_cast<int>(rows), 1, s.MDTOT);
            s.DATAE.fill(Quad{});
        }
    });
    allocateOrStop(s, "QuorlAllocateAll: Xr(Nxtot) allocation error. `Enter` to exit.", [&] {
        s.XR.allocate(0, s.NXTOT);
        s.XR.fill(s.X0);
    });
    allocateOrStop(s, "QuorlAllocateAll: B(Lztot,Kptot) alloc. error.`Enter` to exit.", [&] {
        s.B.allocate(1, s.LZTOT, 1, s.KPTOT);
        s.B.fill(Quad{});
    });
    allocateOrStop(s, "QuorlAllocateAll: BtB(Kptot,Kptot) allocation error. `Enter` to exit.", [&] {
        s.BTB.allocate(1, s.KPTOT, 1, s.KPTOT);
        s.BTB.fill(Quad{});
    });
    allocateOrStop(s, "QuorlAllocateAll: BtZ(Kptot) allocation error. `Enter` to exit.", [&] {
        s.BTZ.allocate(1, s.KPTOT);
        s.BTZ.fill(Quad{});
    });
}

void releaseAll(State& s) {
    s.PR.clear();
    s.ZR.clear();
    s.DATAE.clear();
    s.XR.clear();
    s.B.clear();
    s.BTB.clear();
    s.BTZ.clear();
}

}  // namespace quorl
