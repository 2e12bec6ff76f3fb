// INVERT: Gauss-Jordan inversion in place, with complete pivoting and
// linear-dependency handling.
//
// Inputs and outputs
//   N       order of the matrix (in); a negative N stops the run.
//   A       A(1:N,1:N), column-major quad reals (in/out). On return the
//           (partial) inverse in the natural row and column order: the
//           caller unscrambles nothing.
//   VALMIN  (out) noise threshold: the largest input magnitude times the
//           double nearest 1e-20 (low part 0); 0 for a zero matrix.
//   IRANK   (out) pivots accepted, the rank reached.
//   DETN    (out) magnitude of the last accepted pivot alone (not the
//           product of the pivots); 0 when none was accepted.
//   IUSED   IUSED(1:N) (out): 1 for a row that served as a pivot row, else 0.
//   IP      diagnostic unit (in): the set-up, every pivot and the result are
//           listed there (PRINTA) only when IP > 5.
// A and IUSED must cover 1..N; otherwise the run stops with a message that
// names the access. Work arrays IRU, JCU (row and column tags) and TEMP
// (one column or row) of N elements are allocated per call and released
// before return; when an allocation fails the run stops with its halt text.
//
// Degenerate input
//   A singular or nearly singular matrix is no error. Pivoting stops when
//   the best remaining candidate is exactly zero (the linear-dependency
//   case, listed as such at IP > 5) or lies below VALMIN. The rows and
//   columns of the parameters never pivoted are set to zero, so the
//   dependent parameters get no step and IRANK < N tells the caller. A zero
//   matrix gives IRANK = 0, DETN = 0, VALMIN = 0 and stays zero; N = 0 does
//   nothing. A not-a-number element wins every comparison it meets (the
//   quad less-than holds for it) and spreads through the result; the
//   routine still ends normally.
//
// Method
//   Complete pivoting over the rows and columns whose tags are still
//   non-negative, scanned row by row with a strict comparison, so the first
//   of equal magnitudes wins. The threshold comes from the first search
//   only. An accepted pivot found at (IU, JU) is moved to the transposed tag
//   position (IU2, JU2) = (JCU(JU), IRU(IU)) by one column swap and one row
//   swap, the tags travelling with them and turning negative once used;
//   putting every pivot where its tags say is what leaves the final inverse
//   in natural order. The pivot row is divided by the pivot, every other
//   row eliminated against it, and the pivot column replaced by the
//   negated multipliers over the pivot and the pivot by its reciprocal:
//   one exchange step of Gauss-Jordan, in place.
#include "engine/invert.hpp"

#include <cstdlib>
#include <new>
#include <string>

#include "engine/printa.hpp"
#include "io/stop.hpp"

namespace quorl {

namespace {

// The threshold factor of the noise floor: the double nearest 1e-20 as the
// head, tail zero (not the double-double nearest 1e-20).
constexpr Quad kNoiseFactor{1e-20, 0.0};

template <class T>
void allocateWork(Array1<T>& a, int N, const char* haltText) {
    try {
        a.allocate(1, N);
    } catch (const std::bad_alloc&) {
        io::stop(haltText);
    }
}

// The complete-pivoting search: the largest |A(i,j)| over unused rows and
// columns, scanned row by row with a strict comparison. IU = JU = 0 when
// no candidate beats zero.
void searchPivot(int N, const Array2<Quad>& A, const Array1<std::int32_t>& IRU, const Array1<std::int32_t>& JCU,
                 Quad& VALMAX, int& IU, int& JU) {
    IU = 0;
    JU = 0;
    VALMAX = Quad{};
    for (int i = 1; i <= N; ++i) {
        if (IRU.atUnchecked(i) < 0) {
            continue;
        }
        for (int j = 1; j <= N; ++j) {
            if (JCU.atUnchecked(j) < 0) {
                continue;
            }
            const Quad candidate = abs(A.atUnchecked(i, j));
            if (VALMAX < candidate) {
                VALMAX = candidate;
                IU = i;
                JU = j;
            }
        }
    }
}

}  // namespace

std::int64_t usedParameterBits(int N, const Array1<std::int32_t>& IRU) {
    std::int64_t bits = 0;
    for (int i = 1; i <= N && i <= 62; ++i) {
        if (IRU(i) < 0) {
            bits |= std::int64_t{1} << (i - 1);
        }
    }
    return bits;
}

void INVERT(io::Units& units, int N, Array2<Quad>& A, Quad& VALMIN, std::int32_t& IRANK, Quad& DETN,
            Array1<std::int32_t>& IUSED, int IP) {
    if (N < 0) {
        io::stop("Invert: order N = " + std::to_string(N) + " is negative. Halt.");
    }
    // One check of the whole range; the loops below read unchecked.
    A.checkRange(1, N, 1, N);
    IUSED.checkRange(1, N);

    if (IP > 5) {
        units.write(IP, "('Overwriting Matrix Inversion:')");
    }
    DETN = Quad{};
    for (int i = 1; i <= N; ++i) {
        IUSED.atUnchecked(i) = 0;
    }
    IRANK = 0;

    Array1<std::int32_t> IRU;
    Array1<std::int32_t> JCU;
    Array1<Quad> TEMP;
    allocateWork(IRU, N, "Invert: iRu(N) allocation error. Halt.");
    allocateWork(JCU, N, "Invert: jCu(N) allocation error. Halt.");
    allocateWork(TEMP, N, "Invert: Temp(N) allocation error. Halt.");
    VALMIN = Quad{};
    for (int i = 1; i <= N; ++i) {
        IRU.atUnchecked(i) = i;
        JCU.atUnchecked(i) = i;
    }
    if (IP > 5) {
        PRINTA(units, N, A, IRANK, DETN, IRU, JCU, IP);
    }

    // Column j of A as a pointer: element i is col(j)[i - 1].
    auto col = [&A](int j) { return &A.atUnchecked(1, j); };

    int IU = 0;
    int JU = 0;
    for (int L = 1; L <= N; ++L) {
        Quad VALMAX;
        searchPivot(N, A, IRU, JCU, VALMAX, IU, JU);
        if (L == 1) {
            VALMIN = VALMAX * kNoiseFactor;
        }
        if (IU == 0) {
            break;  // only exact zeros are left: linear dependency
        }
        if (VALMAX < VALMIN) {
            break;  // the rest is noise; a candidate at the threshold is taken
        }
        ++IRANK;
        DETN = VALMAX;
        VALMAX = A.atUnchecked(IU, JU);

        const int IU2 = JCU.atUnchecked(JU);
        const int JU2 = IRU.atUnchecked(IU);
        if (IP > 5) {
            units.write(IP, "(1x,2i4,f15.9,'   :iu ju pivot, & value')", IU, JU, VALMAX);
        }

        // Column swap JU <-> JU2; the row tags of IU and IU2 trade places and
        // the one now at IU2 is marked used.
        {
            Quad* cJU = col(JU);
            Quad* cJU2 = col(JU2);
            for (int k = 0; k < N; ++k) {
                TEMP.atUnchecked(k + 1) = cJU[k];
            }
            const std::int32_t i = IRU.atUnchecked(IU);
            for (int k = 0; k < N; ++k) {
                cJU[k] = cJU2[k];
            }
            IRU.atUnchecked(IU) = IRU.atUnchecked(IU2);
            for (int k = 0; k < N; ++k) {
                cJU2[k] = TEMP.atUnchecked(k + 1);
            }
            IRU.atUnchecked(IU2) = -std::abs(i);
        }
        // Row swap IU <-> IU2, dividing the new pivot row by the pivot; the
        // column tags of JU and JU2 trade places likewise.
        {
            for (int k = 1; k <= N; ++k) {
                TEMP.atUnchecked(k) = A.atUnchecked(IU, k);
            }
            const std::int32_t j = JCU.atUnchecked(JU);
            for (int k = 1; k <= N; ++k) {
                A.atUnchecked(IU, k) = A.atUnchecked(IU2, k);
            }
            JCU.atUnchecked(JU) = JCU.atUnchecked(JU2);
            for (int k = 1; k <= N; ++k) {
                A.atUnchecked(IU2, k) = TEMP.atUnchecked(k) / VALMAX;
            }
            JCU.atUnchecked(JU2) = -std::abs(j);
        }

        // Elimination against the pivot row: A(i,k) -= A(IU2,k) * AMULT(i)
        // for every row i but IU2. The multipliers are the pivot column,
        // saved first in TEMP (free again after the swaps), so the matrix can
        // be swept column by column; each element still gets exactly the one
        // update of the row-wise sweep.
        {
            const Quad* cPivot = col(JU2);
            for (int i = 0; i < N; ++i) {
                TEMP.atUnchecked(i + 1) = cPivot[i];
            }
            const Quad* AMULT = &TEMP.atUnchecked(1);
            const int p = IU2 - 1;
            for (int k = 1; k <= N; ++k) {
                Quad* c = col(k);
                const Quad b = c[p];
                for (int i = 0; i < p; ++i) {
                    c[i] = c[i] - b * AMULT[i];
                }
                for (int i = p + 1; i < N; ++i) {
                    c[i] = c[i] - b * AMULT[i];
                }
            }
            Quad* cJU2 = col(JU2);
            for (int i = 0; i < N; ++i) {
                if (i != p) {
                    cJU2[i] = -(AMULT[i] / VALMAX);
                }
            }
            cJU2[p] = Quad{1.0, 0.0} / VALMAX;
        }
        if (IP > 5) {
            PRINTA(units, N, A, IRANK, DETN, IRU, JCU, IP);
        }
    }

    // Wrap-up: flag the used parameters; zero the rows and columns that were
    // never pivoted, so dependent parameters take no part in the step.
    const std::int64_t IBINSUM = usedParameterBits(N, IRU);
    for (int i = 1; i <= N; ++i) {
        if (IRU.atUnchecked(i) < 0) {
            IUSED.atUnchecked(i) = 1;
        }
        if (IRU.atUnchecked(i) > 0) {
            for (int k = 1; k <= N; ++k) {
                A.atUnchecked(i, k) = Quad{};
            }
        }
        if (JCU.atUnchecked(i) > 0) {
            Quad* c = col(i);
            for (int k = 0; k < N; ++k) {
                c[k] = Quad{};
            }
        }
    }
    if (IP > 5 && IU == 0) {
        units.write(IP, "('Linear dependency dealt with. Partial inverse results:')");
        units.write(IP, "(b63.2,' -Kp unused flag')", IBINSUM);
        PRINTA(units, N, A, IRANK, DETN, IRU, JCU, IP);
    }
    if (IP > 5) {
        units.write(IP, "('Overwriting Inverter- done.')");
    }
}

}  // namespace quorl
