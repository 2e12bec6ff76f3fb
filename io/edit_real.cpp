// F, E and G editing of real values, and their list-directed form, written
// from the exact binary value (quad/decimal.hpp does the correctly rounded
// decimal expansion). The layout follows what gfortran writes:
//  - a minus sign on every negative value, also one that rounds to zero;
//  - a zero before the point only when the field has room for it;
//  - Ew.d as 0.ddddE+xx, and beyond exponent 99 the letter gives way to a
//    three-digit signed exponent (0.1+100);
//  - Gw.d in fixed form with d significant digits followed by four blanks
//    (e + 2 with Ee) when the rounded value lies in [0.1, 10^d), else Ew.d;
//  - Infinity, Inf or NaN right-justified, as the width allows.
#include <algorithm>
#include <cmath>
#include <string>

#include "io/edit.hpp"
#include "quad/decimal.hpp"

namespace quorl::io::detail {

namespace {

std::string& scratch() {
    thread_local std::string s;
    return s;
}

void writeInfNan(std::string& out, Quad v, int w, bool plus) {
    const double x = v.hi + v.lo;
    if (w == 0) {  // as narrow as possible
        if (std::isnan(x)) {
            out.append("NaN");
        } else {
            out.append(x < 0.0 ? "-Inf" : (plus ? "+Inf" : "Inf"));
        }
        return;
    }
    if (w < 3) {
        fillStars(out, w);
        return;
    }
    const std::size_t at = out.size();
    out.append(static_cast<std::size_t>(w), ' ');
    char* p = out.data() + at;
    if (std::isnan(x)) {
        p[w - 3] = 'N';
        p[w - 2] = 'a';
        p[w - 1] = 'N';
        return;
    }
    const bool negative = x < 0.0;
    if (negative && w == 3) {
        out.resize(at);
        fillStars(out, w);
        return;
    }
    const bool signed_ = negative || plus;
    const char sign = negative ? '-' : '+';
    if (w > (signed_ ? 8 : 7)) {
        out.replace(at + static_cast<std::size_t>(w - 8), 8, "Infinity");
        if (signed_) {
            p[w - 9] = sign;
        }
    } else {
        out.replace(at + static_cast<std::size_t>(w - 3), 3, "Inf");
        // A plus sign that does not fit is left out ("Inf" in three
        // columns); a minus that does not fit gave asterisks above.
        if (signed_ && w > 3) {
            p[w - 4] = sign;
        }
    }
}

// sign, integer digits (a lone zero only if there is room), point, fraction,
// right-justified in w (w == 0: no padding and no optional zero).
void writeFixedParts(std::string& out, bool negative, bool plus, std::string_view intPart, std::string_view zeros,
                     std::string_view frac, int w) {
    const bool sign = negative || plus;
    const std::size_t body = (sign ? 1 : 0) + intPart.size() + 1 + zeros.size() + frac.size();
    bool leadZero = false;
    if (intPart.empty() && w > 0 && static_cast<int>(body) < w) {
        leadZero = true;
    }
    const std::size_t len = body + (leadZero ? 1 : 0);
    if (w > 0 && static_cast<int>(len) > w) {
        fillStars(out, w);
        return;
    }
    if (w > 0) {
        out.append(static_cast<std::size_t>(w) - len, ' ');
    }
    if (sign) {
        out.push_back(negative ? '-' : '+');
    }
    if (leadZero) {
        out.push_back('0');
    }
    out.append(intPart);
    out.push_back('.');
    out.append(zeros);
    out.append(frac);
}

void writeFixedFromDigits(std::string& out, bool negative, bool plus, const std::string& digits, int d, int w) {
    const int nd = static_cast<int>(digits.size());
    static const std::string kZeros(512, '0');
    if (nd > d) {
        const std::string_view all(digits);
        writeFixedParts(out, negative, plus, all.substr(0, static_cast<std::size_t>(nd - d)), {},
                        all.substr(static_cast<std::size_t>(nd - d)), w);
        return;
    }
    std::string padded;
    std::string_view zeros;
    if (d - nd <= static_cast<int>(kZeros.size())) {
        zeros = std::string_view(kZeros).substr(0, static_cast<std::size_t>(d - nd));
    } else {
        padded.assign(static_cast<std::size_t>(d - nd), '0');
        zeros = padded;
    }
    writeFixedParts(out, negative, plus, {}, zeros, digits, w);
}

// 0.<digits><exponent> for the exponent x = k.
void writeExponentParts(std::string& out, bool negative, bool plus, std::string_view digits, int x, int w, int e,
                        char letter) {
    char exp[16];
    int en = 0;
    const int ax = x < 0 ? -x : x;
    int expDigits;
    if (e > 0) {
        int limit = 1;
        for (int i = 0; i < e && limit <= 100000; ++i) {
            limit *= 10;
        }
        if (ax >= limit) {
            fillStars(out, w);
            return;
        }
        exp[en++] = letter;
        expDigits = e;
    } else if (ax <= 99) {
        exp[en++] = letter;
        expDigits = 2;
    } else if (ax <= 999) {
        expDigits = 3;
    } else {
        fillStars(out, w);
        return;
    }
    exp[en++] = x < 0 ? '-' : '+';
    // The exponent's digits, most significant last, then zeros in front up
    // to expDigits (built in place: this runs for every field written).
    char num[12];
    int nn = 0;
    for (int a = ax; nn == 0 || a != 0; a /= 10) {
        num[nn++] = static_cast<char>('0' + a % 10);
    }
    const std::size_t zeros = expDigits > nn ? static_cast<std::size_t>(expDigits - nn) : 0;
    const std::size_t expLen = static_cast<std::size_t>(en + nn) + zeros;

    const bool sign = negative || plus;
    const std::size_t body = (sign ? 1 : 0) + 1 + digits.size() + expLen;
    const bool leadZero = static_cast<int>(body) < w;
    const std::size_t len = body + (leadZero ? 1 : 0);
    if (static_cast<int>(len) > w) {
        fillStars(out, w);
        return;
    }
    // The field grows the record once and is written in place.
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(w));
    char* p = out.data() + at;
    p = std::fill_n(p, static_cast<std::size_t>(w) - len, ' ');
    if (sign) {
        *p++ = negative ? '-' : '+';
    }
    if (leadZero) {
        *p++ = '0';
    }
    *p++ = '.';
    p = std::copy(digits.begin(), digits.end(), p);
    p = std::copy(exp, exp + en, p);
    p = std::fill_n(p, zeros, '0');
    while (nn > 0) {
        *p++ = num[--nn];
    }
}

bool isZeroValue(Quad v) { return v.hi == 0.0 && v.lo == 0.0; }

// The exact value of a double-double is a multiple of 2^-1074 below 2^1025:
// it has at most 1074 decimals and fewer than 1400 significant digits. Past
// those counts every further digit is an exact zero, so the digit generator
// (whose big integers have a fixed capacity) is asked for no more and the
// zeros are appended: every decimal count a format can give is served.
constexpr int kExactDecimals = 1074;
constexpr int kExactSignificant = 1400;

void decimalDigits(Quad v, int decimals, std::string& digits) {
    if (decimals <= kExactDecimals) {
        fixedDigits(v, decimals, digits);
        return;
    }
    fixedDigits(v, kExactDecimals, digits);
    if (digits != "0") {
        digits.append(static_cast<std::size_t>(decimals - kExactDecimals), '0');
    }
}

int significantDigits(Quad v, int count, std::string& digits) {
    if (count <= kExactSignificant) {
        return scientificDigits(v, count, digits);
    }
    const int k = scientificDigits(v, kExactSignificant, digits);
    digits.append(static_cast<std::size_t>(count - kExactSignificant), '0');
    return k;
}

// How gfortran chooses between the fixed and the exponent form of Gw.d for
// a real of type T: the limits 0.1 (1 - 0.5 10^-d), 10^d - 0.5 and
// 10^(s-1) (1 - 0.5 10^-d) are formed in T's own arithmetic, 10^k by
// repeated multiplication, and compared with the value m > 0. Returns the
// number s of digits before the point of the fixed form (d - s decimals),
// or -1 for the exponent form. Near a limit this can differ from the exact
// rule; the items' own precision decides, as it does in gfortran.
template <class T>
int fixedFormDigits(T m, int d) {
    T pow = 1;
    for (int i = 0; i < d; ++i) {
        pow = static_cast<T>(pow * 10);
    }
    const T half = static_cast<T>(0.5);
    const T scale = static_cast<T>(1 - static_cast<T>(half / pow));
    const T low = static_cast<T>(0.1 * scale);
    if (m < low || half >= static_cast<T>(pow - m)) {
        return -1;
    }
    int s = 0;
    T p = 1;
    for (int k = 1; k <= d; ++k) {
        if (!(m >= static_cast<T>(p * scale))) {
            break;
        }
        s = k;
        p = static_cast<T>(p * 10);
    }
    return s;
}

// The same choice for the 36-digit free-form text of a Quad, made as
// gfortran makes it for a real(16) value: there 1 - 0.5 10^-36 rounds to 1,
// so the limits are the double nearest 0.1, 10^36 - 0.5 and the exact powers
// of ten. m > 0.
int fullFixedFormDigits(Quad m) {
    static const Quad* powers = [] {
        static Quad p[37];
        p[0] = Quad{1.0, 0.0};
        for (int k = 1; k <= 36; ++k) {
            p[k] = p[k - 1] * 10.0;  // exact up to 10^36 (5^36 has 84 bits)
        }
        return p;
    }();
    if (m < 0.1 || !(powers[36] - m > 0.5)) {
        return -1;
    }
    int s = 0;
    while (s < 36 && m >= powers[s]) {
        ++s;
    }
    return s;
}

}  // namespace

void editFixed(std::string& out, Quad v, int w, int d, bool plus) {
    if (!isFinite(v)) {
        writeInfNan(out, v, w, plus);
        return;
    }
    std::string& digits = scratch();
    decimalDigits(v, d, digits);
    writeFixedFromDigits(out, isNegativeValue(v), plus, digits, d, w);
}

void editExponent(std::string& out, Quad v, int w, int d, int e, char letter, bool plus) {
    if (!isFinite(v)) {
        writeInfNan(out, v, w, plus);
        return;
    }
    // Few digits that the short computation decides are spelled here, on
    // the stack: the fields of the drawing files take this way.
    std::uint64_t n;
    int k = 0;
    if (d >= 1 && d <= 15 && !isZeroValue(v) && scientificDigitsShort(v, d, n, k)) {
        char buf[15];
        for (int i = d - 1; i >= 0; --i) {
            buf[i] = static_cast<char>('0' + n % 10);
            n /= 10;
        }
        writeExponentParts(out, isNegativeValue(v), plus, std::string_view(buf, static_cast<std::size_t>(d)), k, w, e,
                           letter);
        return;
    }
    std::string& digits = scratch();
    if (isZeroValue(v)) {
        digits.assign(static_cast<std::size_t>(d), '0');
    } else {
        k = significantDigits(v, d, digits);
    }
    writeExponentParts(out, isNegativeValue(v), plus, digits, k, w, e, letter);
}

void editGeneral(std::string& out, Quad v, int w, int d, int e, bool plus, GeneralRule rule) {
    if (!isFinite(v)) {
        writeInfNan(out, v, w, plus);
        return;
    }
    int n = e > 0 ? e + 2 : 4;
    if (n >= w) {
        n = w - 1;
    }
    const bool negative = isNegativeValue(v);
    std::string& digits = scratch();
    const bool zero = isZeroValue(v);
    if (d == 0) {
        // No significant digit for the fixed form to show.
        if (zero) {
            writeExponentParts(out, negative, plus, "", 0, w, e, 'E');
        } else {
            fillStars(out, w);
        }
        return;
    }
    int s;  // digits before the point in the fixed form; -1: exponent form
    if (zero) {
        s = 1;
    } else if (rule == GeneralRule::Exact) {
        const int k = significantDigits(v, d, digits);
        if (k < 0 || k > d) {
            writeExponentParts(out, negative, plus, digits, k, w, e, 'E');
            return;
        }
        s = k;
    } else {
        const double x = std::fabs(v.hi);
        s = rule == GeneralRule::Real32 ? fixedFormDigits<float>(static_cast<float>(x), d)
                                        : fixedFormDigits<double>(x, d);
        if (s < 0) {
            const int k = significantDigits(v, d, digits);
            writeExponentParts(out, negative, plus, digits, k, w, e, 'E');
            return;
        }
    }
    const std::size_t at = out.size();
    decimalDigits(v, d - s, digits);
    writeFixedFromDigits(out, negative, plus, digits, d - s, w - n);
    if (out[at] == '*') {
        out.resize(at);
        fillStars(out, w);
        return;
    }
    out.append(static_cast<std::size_t>(n), ' ');
}

void editFreeReal(std::string& out, Quad v, FreeKind kind) {
    const int sig = kind == FreeKind::Real32 ? 9 : (kind == FreeKind::Real64 ? 17 : 36);
    const int expw = kind == FreeKind::Real32 ? 2 : (kind == FreeKind::Real64 ? 3 : 4);
    const int w = kind == FreeKind::Real32 ? 16 : (kind == FreeKind::Real64 ? 25 : 45);
    const int n = expw + 2;
    if (!isFinite(v)) {
        writeInfNan(out, v, w, false);
        return;
    }
    const bool negative = isNegativeValue(v);
    std::string& digits = scratch();
    int s = 1;
    if (!isZeroValue(v)) {
        const double x = std::fabs(v.hi);
        s = kind == FreeKind::Real32   ? fixedFormDigits<float>(static_cast<float>(x), sig)
            : kind == FreeKind::Real64 ? fixedFormDigits<double>(x, sig)
                                       : fullFixedFormDigits(abs(v));
    }
    if (s >= 0) {
        decimalDigits(v, sig - s, digits);
        writeFixedFromDigits(out, negative, false, digits, sig - s, w - n);
        out.append(static_cast<std::size_t>(n), ' ');
        return;
    }
    // d.ddddE+xxx
    const int k = significantDigits(v, sig, digits);
    std::string text;
    if (negative) {
        text.push_back('-');
    }
    text.push_back(digits[0]);
    text.push_back('.');
    text.append(std::string_view(digits).substr(1));
    text.push_back('E');
    const int x = k - 1;
    text.push_back(x < 0 ? '-' : '+');
    std::string num = std::to_string(x < 0 ? -x : x);
    if (static_cast<int>(num.size()) < expw) {
        text.append(static_cast<std::size_t>(expw) - num.size(), '0');
    }
    text += num;
    if (static_cast<int>(text.size()) < w) {
        out.append(static_cast<std::size_t>(w) - text.size(), ' ');
    }
    out += text;
}

}  // namespace quorl::io::detail
