// Quads that no binary128 number equals (head and tail spanning more than
// 113 bits) cannot be handed to gfortran; their F and E texts are checked
// against an independent exact expansion instead: each double becomes its
// exact decimal in base-10^9 limbs, the two are added as decimals and the
// sum is rounded half-to-even on its decimal digits. The field layout
// (sign, optional leading zero, asterisks) is the one the gfortran
// comparison pins down for binary128 values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "format_oracle.hpp"
#include "io/format.hpp"

namespace {

using quorl::Quad;

// A nonnegative decimal: digits (most significant first) * 10^-scale.
struct Decimal {
    std::string digits;
    int scale = 0;
};

// Base-10^9 limbs, least significant first.
using Limbs = std::vector<std::uint64_t>;
void mulSmall(Limbs& a, std::uint64_t m) {
    std::uint64_t carry = 0;
    for (auto& l : a) {
        const std::uint64_t t = l * m + carry;
        l = t % 1000000000;
        carry = t / 1000000000;
    }
    while (carry != 0) {
        a.push_back(carry % 1000000000);
        carry /= 1000000000;
    }
}
std::string toString(const Limbs& a) {
    std::string s = std::to_string(a.back());
    for (std::size_t i = a.size() - 1; i-- > 0;) {
        const std::string part = std::to_string(a[i]);
        s += std::string(9 - part.size(), '0') + part;
    }
    return s;
}

// |x| exactly: m 2^e = m 5^-e 10^e for e < 0.
Decimal exactDecimal(double x) {
    int e;
    const double f = std::frexp(std::fabs(x), &e);
    auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    e -= 53;
    Limbs a{m % 1000000000, m / 1000000000};
    for (int i = 0; i < e; ++i) {
        mulSmall(a, 2);
    }
    for (int i = 0; i < -e; ++i) {
        mulSmall(a, 5);
    }
    while (a.size() > 1 && a.back() == 0) {
        a.pop_back();
    }
    return Decimal{toString(a), e < 0 ? -e : 0};
}

// a + b or |a - b| of decimals at the same scale (digit strings).
std::string addDigits(const std::string& a, const std::string& b) {
    std::string r;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        const int s = (i < a.size() ? a[a.size() - 1 - i] - '0' : 0) + (i < b.size() ? b[b.size() - 1 - i] - '0' : 0) + carry;
        r.insert(r.begin(), static_cast<char>('0' + s % 10));
        carry = s / 10;
    }
    return r;
}
bool lessDigits(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}
std::string subDigits(const std::string& a, const std::string& b) {  // a >= b
    std::string r;
    int borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int s = (a[a.size() - 1 - i] - '0') - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0) - borrow;
        borrow = s < 0;
        r.insert(r.begin(), static_cast<char>('0' + (s + 10) % 10));
    }
    return r;
}
std::string stripZeros(std::string s) {
    const auto p = s.find_first_not_of('0');
    return p == std::string::npos ? "0" : s.substr(p);
}

// |hi + lo| as a decimal (the pair's signs may differ).
Decimal exactValue(Quad q) {
    Decimal a = exactDecimal(q.hi), b = exactDecimal(q.lo);
    const int scale = std::max(a.scale, b.scale);
    a.digits += std::string(static_cast<std::size_t>(scale - a.scale), '0');
    b.digits += std::string(static_cast<std::size_t>(scale - b.scale), '0');
    std::string sum;
    if ((q.hi < 0) == (q.lo < 0)) {
        sum = addDigits(a.digits, b.digits);
    } else {
        sum = lessDigits(a.digits, b.digits) ? subDigits(b.digits, a.digits) : subDigits(a.digits, b.digits);
    }
    return Decimal{stripZeros(sum), scale};
}

// The decimal rounded (half to even) to `keep` leading digits of its string.
std::string roundDigits(const std::string& digits, long keep) {
    if (keep >= static_cast<long>(digits.size())) {
        return digits + std::string(static_cast<std::size_t>(keep - static_cast<long>(digits.size())), '0');
    }
    if (keep < 0) {
        return "";
    }
    std::string head = digits.substr(0, static_cast<std::size_t>(keep));
    const char next = digits[static_cast<std::size_t>(keep)];
    const bool rest = digits.find_first_not_of('0', static_cast<std::size_t>(keep) + 1) != std::string::npos;
    const bool odd = !head.empty() && ((head.back() - '0') % 2 == 1);
    if (next > '5' || (next == '5' && (rest || odd))) {
        head = addDigits(head.empty() ? "0" : head, "1");
    }
    return head;
}

std::string layout(std::string body, bool negative, int w, bool zeroRoom) {
    // body starts with "." when there is no integer digit
    if (body[0] == '.' && zeroRoom && static_cast<int>(body.size()) + (negative ? 1 : 0) < w) {
        body = "0" + body;
    }
    if (negative) {
        body = "-" + body;
    }
    if (static_cast<int>(body.size()) > w) {
        return std::string(static_cast<std::size_t>(w), '*');
    }
    return std::string(static_cast<std::size_t>(w) - body.size(), ' ') + body;
}

std::string referenceFixed(Quad q, int w, int d) {
    const Decimal v = exactValue(q);
    // round(v * 10^d): keep all digits down to 10^-d
    std::string n = stripZeros(roundDigits(v.digits, static_cast<long>(v.digits.size()) - v.scale + d));
    if (n.size() <= static_cast<std::size_t>(d)) {
        n = std::string(static_cast<std::size_t>(d) + 1 - n.size(), '0') + n;
    }
    std::string intPart = n.substr(0, n.size() - static_cast<std::size_t>(d));
    if (intPart == "0") {
        intPart.clear();
    }
    return layout(intPart + "." + n.substr(n.size() - static_cast<std::size_t>(d)), q.hi < 0, w, true);
}

std::string referenceExponent(Quad q, int w, int d) {
    const Decimal v = exactValue(q);
    int k = static_cast<int>(v.digits.size()) - v.scale;  // 0.digits * 10^k
    std::string n = roundDigits(v.digits, d);
    if (static_cast<int>(n.size()) > d) {
        n.pop_back();
        ++k;
    }
    const int ak = std::abs(k);
    std::string exp = ak <= 99 ? (ak < 10 ? "0" : "") + std::to_string(ak) : std::to_string(ak);
    exp = (ak <= 99 ? "E" : "") + std::string(k < 0 ? "-" : "+") + exp;
    return layout("." + n + exp, q.hi < 0, w, true);
}

TEST(FormatQuadExact, WideQuadsMatchAnIndependentExpansion) {
    std::mt19937_64 rng(77);
    std::uniform_real_distribution<double> unit(1.0, 2.0);
    int cases = 0, mismatches = 0;
    for (int n = 0; n < 3000; ++n) {
        const int p = n % 10 == 0 ? static_cast<int>(rng() % 1200) - 900 : static_cast<int>(rng() % 140) - 70;
        const double hi = std::ldexp(unit(rng), p) * ((rng() & 1) != 0 ? -1 : 1);
        const int lead = p - 54 - static_cast<int>(rng() % (n % 7 == 0 ? 400 : 60));
        const double lo = std::ldexp(unit(rng), lead) * ((rng() & 1) != 0 ? -1 : 1);
        const Quad q{hi, lo};
        if (quorl::test::fitsBinary128(q) || lead < -1074) {
            continue;
        }
        const int d = static_cast<int>(rng() % 36) + 1;
        const int w = d + static_cast<int>(rng() % 30);
        const std::string f = "(f" + std::to_string(w) + "." + std::to_string(d) + ")";
        const std::string e = "(e" + std::to_string(w + 6) + "." + std::to_string(d) + ")";
        for (const auto& [fmt, want] : {std::pair{f, referenceFixed(q, w, d)}, std::pair{e, referenceExponent(q, w + 6, d)},
                                        std::pair{std::string("(f40.32)"), referenceFixed(q, 40, 32)},
                                        std::pair{std::string("(e41.32)"), referenceExponent(q, 41, 32)}}) {
            ++cases;
            const std::string got = quorl::io::format(fmt, q);
            if (got != want + "\n" && ++mismatches <= 8) {
                ADD_FAILURE() << fmt << " of " << std::hexfloat << hi << " + " << lo << "\n  ours: " << got
                              << "  want: " << want;
            }
        }
    }
    std::cout << "[ exact    ] " << cases << " F/E cases of Quads beyond binary128, " << mismatches << " mismatches\n";
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
