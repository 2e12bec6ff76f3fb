// Runs every quad operation over a fixed set of arguments and prints, per
// operation, the count and a hash of the bits of every result. Built twice,
// with and without the hardware fused multiply-add (tests/fma/CMakeLists.txt);
// tests/quad/fma_bits_test.cpp compares the two outputs. With the argument
// "--list NAME" it prints every result of one operation instead, in hex,
// to find the first difference. The arguments cover each operation's
// range and the edges (zeros, infinities, NaN, the largest doubles), all
// but products whose exact error would fall below the smallest normal
// double.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "quad/quad.hpp"

namespace {

using quorl::Quad;

// The bits of a result; every NaN counts as one (the sign and payload of a
// NaN are not part of a result: IEEE arithmetic leaves them open, and they
// depend on the order the compiler gives the operands).
std::uint64_t bitsOf(double x) {
    if (x != x) {
        return 0x7ff8000000000000ULL;
    }
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// splitmix64: a fixed sequence on every machine.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }  // [0, 1)
    // A normalised pair with its head's binary exponent in [lowExp, highExp].
    Quad quad(int lowExp, int highExp, bool positive = false) {
        const int span = highExp - lowExp + 1;
        const int ex = lowExp + static_cast<int>(next() % static_cast<std::uint64_t>(span));
        double hi = std::ldexp(1.0 + unit(), ex);
        if (!positive && (next() & 1U) != 0) {
            hi = -hi;
        }
        const double lo = hi * (unit() - 0.5) * 0x1p-53;
        return quorl::detail::renorm(hi, lo);
    }
};

const double kInf = __builtin_inf();
const double kNaN = __builtin_nan("");

// Values at the edges: zeros, infinities, NaN, the extremes of the range.
std::vector<Quad> specials() {
    return {Quad{0.0, 0.0},       Quad{-0.0, 0.0},        Quad{kInf, 0.0},         Quad{-kInf, 0.0},
            Quad{kNaN, 0.0},      Quad{1.0, 0.0},         Quad{-1.0, 0.0},         Quad{0.5, 0x1p-60},
            Quad{0x1p-1022, 0.0}, Quad{0x1p-1074, 0.0},   Quad{0x1.fffffffffffffp1023, 0x1p969},
            Quad{1e300, 1e283},   Quad{1e-300, -1e-317},  Quad{3.0, -0x1p-52}};
}

struct Op {
    const char* name;
    int arity;
    int lowExp, highExp;  // the arguments' range
    bool positive;
    std::function<Quad(Quad, Quad)> f;
};

std::vector<Op> operations() {
    using namespace quorl;
    return {
        {"add", 2, -900, 900, false, [](Quad a, Quad b) { return a + b; }},
        {"sub", 2, -60, 60, false, [](Quad a, Quad b) { return a - b; }},
        {"mul", 2, -450, 450, false, [](Quad a, Quad b) { return a * b; }},
        {"div", 2, -450, 450, false, [](Quad a, Quad b) { return a / b; }},
        // Products and quotients about the top of the range, half of them
        // beyond it.
        {"mulTop", 2, 490, 534, false, [](Quad a, Quad b) { return a * b; }},
        {"divTop", 2, 490, 534, false, [](Quad a, Quad b) { return a / ldexp(b, -1000); }},
        {"sqrt", 1, -1000, 1000, true, [](Quad a, Quad) { return sqrt(a); }},
        {"exp", 1, -12, 9, false, [](Quad a, Quad) { return exp(a); }},
        {"log", 1, -1000, 1000, true, [](Quad a, Quad) { return log(a); }},
        {"log10", 1, -1000, 1000, true, [](Quad a, Quad) { return log10(a); }},
        {"pow", 2, -4, 4, true, [](Quad a, Quad b) { return pow(a, b); }},
        {"powi", 2, -6, 6, false, [](Quad a, Quad b) { return pow(a, static_cast<int>(b.hi * 8)); }},
        {"sin", 1, -30, 30, false, [](Quad a, Quad) { return sin(a); }},
        {"cos", 1, -30, 30, false, [](Quad a, Quad) { return cos(a); }},
        {"tan", 1, -30, 30, false, [](Quad a, Quad) { return tan(a); }},
        {"asin", 1, -30, -1, false, [](Quad a, Quad) { return asin(a); }},
        {"atan", 1, -30, 30, false, [](Quad a, Quad) { return atan(a); }},
        {"atan2", 2, -30, 30, false, [](Quad a, Quad b) { return atan2(a, b); }},
        {"sinh", 1, -12, 9, false, [](Quad a, Quad) { return sinh(a); }},
        {"tanh", 1, -12, 5, false, [](Quad a, Quad) { return tanh(a); }},
        {"expm1", 1, -40, 9, false, [](Quad a, Quad) { return expm1(a); }},
        {"log1p", 1, -40, 40, true, [](Quad a, Quad) { return log1p(a); }},
    };
}

}  // namespace

int main(int argc, char** argv) {
    constexpr int kPerOperation = 120000;
    const std::string list = argc == 3 && std::strcmp(argv[1], "--list") == 0 ? argv[2] : "";
    std::uint64_t total = 0;
    for (const Op& op : operations()) {
        Random rng{0x5eed0000ULL + static_cast<std::uint64_t>(op.name[0]) * 131 + std::strlen(op.name)};
        std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a over the result bits
        long count = 0;
        auto take = [&](Quad a, Quad b) {
            const Quad r = op.f(a, b);
            for (const std::uint64_t w : {bitsOf(r.hi), bitsOf(r.lo)}) {
                hash = (hash ^ w) * 0x100000001b3ULL;
            }
            if (list == op.name) {
                std::printf("%016llx %016llx  %016llx %016llx -> %016llx %016llx\n",
                            static_cast<unsigned long long>(bitsOf(a.hi)), static_cast<unsigned long long>(bitsOf(a.lo)),
                            static_cast<unsigned long long>(bitsOf(b.hi)), static_cast<unsigned long long>(bitsOf(b.lo)),
                            static_cast<unsigned long long>(bitsOf(r.hi)), static_cast<unsigned long long>(bitsOf(r.lo)));
            }
            ++count;
        };
        for (const Quad& a : specials()) {
            for (const Quad& b : specials()) {
                // A product or quotient of two operands near the bottom of
                // the range has an error term below the smallest normal
                // double, which neither way forms exactly: left out.
                const bool tiny = (a.hi != 0.0 && std::fabs(a.hi) < 0x1p-900) || (b.hi != 0.0 && std::fabs(b.hi) < 0x1p-900);
                if (op.arity == 2 && tiny && std::strcmp(op.name, "add") != 0 && std::strcmp(op.name, "sub") != 0) {
                    continue;
                }
                take(a, op.arity == 2 ? b : Quad{});
            }
        }
        for (int i = 0; i < kPerOperation; ++i) {
            const Quad a = rng.quad(op.lowExp, op.highExp, op.positive);
            const Quad b = op.arity == 2 ? rng.quad(op.lowExp, op.highExp, op.positive) : Quad{};
            take(a, b);
        }
        total += static_cast<std::uint64_t>(count);
        if (list.empty()) {
            std::printf("%-6s %ld %016llx\n", op.name, count, static_cast<unsigned long long>(hash));
        }
    }
    if (list.empty()) {
        std::printf("total %llu\n", static_cast<unsigned long long>(total));
    }
    return 0;
}
