// The block kernels against the scalar quad operations, bit for bit: every
// kernel on many random blocks of wide exponent range mixed with special
// values, for every n from 1 to 32, in place and out of place.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "quad/derivative_rules.hpp"
#include "quad/quad_block.hpp"

namespace {

using quorl::Quad;
using quorl::block::Values;
namespace blk = quorl::block;
namespace der = quorl::derivative;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Values where the rare paths start: zeros, infinities, NaN, subnormals,
// the ends of the range (with tails that carry a sum past them), the bounds
// of exp and where its 2^k stops being a normal double, tails of both signs.
const std::vector<Quad> kSpecials = {
    {0.0, 0.0}, {-0.0, 0.0}, {0.0, -0.0}, {kInf, 0.0}, {-kInf, 0.0}, {kNaN, 0.0}, {1.0, kNaN}, {1.0, kInf},
    {0x1p-1074, 0.0}, {-0x1.8p-1060, 0.0}, {DBL_MIN, 0.0}, {DBL_MIN, -0x1p-1074}, {DBL_MAX, 0.0},
    {DBL_MAX, 0x1p970}, {-DBL_MAX, -0x1p969}, {0x1p1023, -0x1p969}, {0x1p-1000, 0x1p-1060}, {0x1p600, 0x1p540},
    {1.0, 0x1p-53}, {1.0, -0x1p-54}, {-1.0, 0x1p-60}, {3.0, 0.0}, {0x1.fffffffffffffp-1, 0x1p-106},
    {709.78, 0.0}, {709.783, 0.0}, {709.79, 0.0}, {709.7900000000001, 0.0}, {709.7, 0x1p-50}, {708.5, 0.0}, {708.39, -0x1p-48},
    {-708.0, 0.0}, {-708.4, 0x1p-48}, {-709.5, 0.0}, {-744.0, 0.0}, {-745.1, 0x1p-46}, {-745.2, 0.0},
    {-745.2000000000001, 0.0}, {-746.0, 0.0}, {0x1p-30, 0x1p-90}, {-0.5, 0.0}, {0x1p-60, 0.0}};

// A random quad: head of any sign, magnitude 2^-1080 .. 2^1023 (or, for
// exp, an argument in [-750, 715] or near 0), tail within half an ulp of
// the head or 0.
Quad randomQuad(std::mt19937_64& rng, bool expArgument) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    double hi;
    if (expArgument) {
        hi = rng() % 4 == 0 ? u(rng) : std::uniform_real_distribution<double>(-750.0, 715.0)(rng);
    } else {
        const int e = rng() % 3 == 0 ? static_cast<int>(rng() % 2104) - 1080 : static_cast<int>(rng() % 121) - 60;
        hi = std::ldexp(u(rng), e);
    }
    const double lo = rng() % 8 == 0 ? 0.0 : hi * 0x1p-53 * u(rng);
    return Quad{hi, lo};
}

// Equal bits, any NaN equal to any NaN.
bool sameBits(double x, double y) {
    return (std::isnan(x) && std::isnan(y)) || std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

// A kernel on blocks x, y, z into r (for the forms with a Quad operand, the
// Quad is lane 0 of y), and the scalar operation it must match lane by lane.
struct Kernel {
    const char* name;
    std::function<void(const Values&, const Values&, const Values&, Values&, int)> block;
    std::function<Quad(Quad, Quad, Quad, Quad)> scalar;  // (x_i, y_i, z_i, y_0)
    bool expArgument = false;
};

const std::vector<Kernel>& kernels() {
    using V = const Values&;
    static const std::vector<Kernel> k = {
        {"fill", [](V, V y, V, Values& r, int n) { blk::fill(y.get(0), r, n); }, [](Quad, Quad, Quad, Quad c) { return c; }},
        {"add", [](V x, V y, V, Values& r, int n) { blk::add(x, y, r, n); }, [](Quad a, Quad b, Quad, Quad) { return a + b; }},
        {"sub", [](V x, V y, V, Values& r, int n) { blk::sub(x, y, r, n); }, [](Quad a, Quad b, Quad, Quad) { return a - b; }},
        {"mul", [](V x, V y, V, Values& r, int n) { blk::mul(x, y, r, n); }, [](Quad a, Quad b, Quad, Quad) { return a * b; }},
        {"mulQuad", [](V x, V y, V, Values& r, int n) { blk::mul(x, y.get(0), r, n); },
         [](Quad a, Quad, Quad, Quad c) { return a * c; }},
        {"div", [](V x, V y, V, Values& r, int n) { blk::div(x, y, r, n); }, [](Quad a, Quad b, Quad, Quad) { return a / b; }},
        {"neg", [](V x, V, V, Values& r, int n) { blk::neg(x, r, n); }, [](Quad a, Quad, Quad, Quad) { return -a; }},
        {"square", [](V x, V, V, Values& r, int n) { blk::square(x, r, n); }, [](Quad a, Quad, Quad, Quad) { return a * a; }},
        {"exp", [](V x, V, V, Values& r, int n) { blk::exp(x, r, n); }, [](Quad a, Quad, Quad, Quad) { return exp(a); }, true},
        {"mulAdd", [](V x, V y, V z, Values& r, int n) { blk::mulAdd(x, y, z, r, n); },
         [](Quad a, Quad b, Quad c, Quad) { return a * b + c; }},
        {"mulAddQuad", [](V x, V y, V z, Values& r, int n) { blk::mulAdd(x, y.get(0), z, r, n); },
         [](Quad a, Quad, Quad c, Quad b) { return a * b + c; }},
        {"times", [](V x, V y, V, Values& r, int n) { blk::times(x, y, r, n); },
         [](Quad a, Quad b, Quad, Quad) { return der::times(a, b); }},
        {"plus", [](V x, V y, V, Values& r, int n) { blk::plus(x, y, r, n); },
         [](Quad a, Quad b, Quad, Quad) { return der::plus(a, b); }},
        {"chain", [](V x, V y, V, Values& r, int n) { blk::chain(x, y, r, n); },
         [](Quad a, Quad b, Quad, Quad) { return der::chain(a, b); }},
        {"chainQuad", [](V, V y, V z, Values& r, int n) { blk::chain(y.get(0), z, r, n); },
         [](Quad, Quad, Quad c, Quad b) { return der::chain(b, c); }},
    };
    return k;
}

TEST(QuadBlock, EveryKernelGivesTheScalarBitsInEveryLane) {
    std::mt19937_64 rng(20240611);
    for (const Kernel& kernel : kernels()) {
        int failures = 0;
        for (int trial = 0; trial < 1500 && failures < 5; ++trial) {
            const int n = trial % blk::kLanes + 1;
            // Operands: a third of the lanes special values, the rest random.
            Values in[3];
            for (Values& v : in) {
                for (int i = 0; i < blk::kLanes; ++i) {
                    v.set(i, rng() % 3 == 0 ? kSpecials[rng() % kSpecials.size()] : randomQuad(rng, kernel.expArgument));
                }
            }
            // Out of place, or into the first or the last operand.
            Values out[3] = {in[0], in[1], in[2]};
            Values sentinel;
            blk::fill(Quad{-7.0, 1e-20}, sentinel, blk::kLanes);
            Values* r = trial % 3 == 1 ? &out[0] : trial % 3 == 2 ? &out[2] : &sentinel;
            const Values before = *r;
            kernel.block(out[0], out[1], out[2], *r, n);
            for (int i = 0; i < blk::kLanes; ++i) {
                const Quad want = i < n ? kernel.scalar(in[0].get(i), in[1].get(i), in[2].get(i), in[1].get(0))
                                        : before.get(i);
                const Quad got = r->get(i);
                if (i >= n && i < blk::groupedLanes(n)) {
                    continue;  // computed from the operands' extra lanes: any value
                }
                if (!sameBits(got.hi, want.hi) || !sameBits(got.lo, want.lo)) {
                    ADD_FAILURE() << std::hexfloat << kernel.name << " n=" << n << " mode=" << trial % 3 << " lane " << i << ": operands ("
                                  << in[0].get(i).hi << ", " << in[0].get(i).lo << ") (" << in[1].get(i).hi << ", "
                                  << in[1].get(i).lo << ") (" << in[2].get(i).hi << ", " << in[2].get(i).lo
                                  << "): got (" << got.hi << ", " << got.lo << ") want (" << want.hi << ", " << want.lo
                                  << ")";
                    ++failures;
                }
            }
        }
    }
}

TEST(QuadBlock, SumsInLaneOrderGiveTheScalarBits) {
    // Sums of 1 to 37 terms (several vectors of chains, a partial last
    // one, terms shared), over n = 1 .. 32 lanes, against the sums added
    // value by value.
    std::mt19937_64 rng(7);
    std::vector<Values> pool(8);
    for (int trial = 0; trial < 300; ++trial) {
        for (Values& v : pool) {
            for (int i = 0; i < blk::kLanes; ++i) {
                v.set(i, rng() % 9 == 0 ? kSpecials[rng() % kSpecials.size()] : randomQuad(rng, false));
            }
        }
        const int count = trial % 37 + 1;
        const int n = trial % blk::kLanes + 1;
        std::vector<const Values*> terms;
        std::vector<Quad> sums, want;
        for (int e = 0; e < count; ++e) {
            terms.push_back(&pool[rng() % pool.size()]);
            sums.push_back(randomQuad(rng, false));
        }
        want = sums;
        for (int i = 0; i < n; ++i) {
            for (int e = 0; e < count; ++e) {
                want[static_cast<std::size_t>(e)] = want[static_cast<std::size_t>(e)] + terms[static_cast<std::size_t>(e)]->get(i);
            }
        }
        blk::addLanes(terms.data(), count, n, sums.data());
        for (int e = 0; e < count; ++e) {
            const Quad got = sums[static_cast<std::size_t>(e)], w = want[static_cast<std::size_t>(e)];
            ASSERT_TRUE(sameBits(got.hi, w.hi) && sameBits(got.lo, w.lo))
                << "count " << count << " n " << n << " sum " << e << std::hexfloat << ": " << got.hi << " " << w.hi;
        }
    }
}

}  // namespace
