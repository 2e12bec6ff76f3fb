#include "vis/write_point_record.hpp"

#include <cmath>
#include <cstdint>

#include "quad/decimal.hpp"

namespace quorl {

namespace {

constexpr int kDigits = 9;
constexpr std::size_t kFieldWidth = 18;

// Two decimal digits of p < 100.
void putPair(char* at, unsigned p) {
    at[0] = static_cast<char>('0' + p / 10);
    at[1] = static_cast<char>('0' + p % 10);
}

// One e18.9 field, "   0.ddddddddd" then "E+xx" (a minus before the 0 for
// a negative value, in the last blank), for a zero (of either sign: the
// sign of its head) or a finite value whose digits the short computation
// decides and whose exponent has two digits.
bool appendE18_9(Quad v, std::string& out) {
    if (v.hi == 0.0 && v.lo == 0.0) {
        out.append(std::signbit(v.hi) ? "  -0.000000000E+00" : "   0.000000000E+00", kFieldWidth);
        return true;
    }
    std::uint64_t n;
    int k;
    if (!isFinite(v) || !scientificDigitsShort(v, kDigits, n, k) || k < -99 || k > 99) {
        return false;
    }
    char field[kFieldWidth] = {' ', ' ', ' ', '0', '.'};
    if (isNegativeValue(v)) {
        field[2] = '-';
    }
    // The nine digits as one digit and four pairs: two short chains of
    // divisions instead of one of nine.
    const auto upper = static_cast<unsigned>(n / 10000);  // five digits
    const auto lower = static_cast<unsigned>(n % 10000);  // four
    field[5] = static_cast<char>('0' + upper / 10000);
    putPair(field + 6, upper / 100 % 100);
    putPair(field + 8, upper % 100);
    putPair(field + 10, lower / 100);
    putPair(field + 12, lower % 100);
    field[14] = 'E';
    field[15] = k < 0 ? '-' : '+';
    putPair(field + 16, static_cast<unsigned>(k < 0 ? -k : k));
    out.append(field, kFieldWidth);
    return true;
}

bool appendCoordinates(const FixedArray1<Quad, 1, 3>& xyz, std::string& out) {
    return appendE18_9(xyz(1), out) && appendE18_9(xyz(2), out) && appendE18_9(xyz(3), out);
}

// i2 of a code within -9..99, right-justified.
void appendCode(int ic, std::string& out) {
    out += ic < 0 ? '-' : ic >= 10 ? static_cast<char>('0' + ic / 10) : ' ';
    out += static_cast<char>('0' + (ic < 0 ? -ic : ic % 10));
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isOwnE18_9Field(const char* f) {
    if (f[0] != ' ' || f[1] != ' ' || (f[2] != ' ' && f[2] != '-') || f[3] != '0' || f[4] != '.' || f[14] != 'E' ||
        (f[15] != '+' && f[15] != '-') || !isDigit(f[16]) || !isDigit(f[17])) {
        return false;
    }
    for (int i = 5; i < 14; ++i) {
        if (!isDigit(f[i])) {
            return false;
        }
    }
    // Digits from 1 to 9 first, with any exponent but -00; or a zero of
    // either sign, written with +00.
    const bool exponentZero = f[16] == '0' && f[17] == '0';
    return f[5] != '0' ? !(exponentZero && f[15] == '-') : exponentZero && f[15] == '+' &&
                                                                 std::string_view(f + 5, 9) == "000000000";
}

}  // namespace

bool isOwnCoordinateText(std::string_view text) {
    return text.size() == 3 * kFieldWidth && isOwnE18_9Field(text.data()) &&
           isOwnE18_9Field(text.data() + kFieldWidth) && isOwnE18_9Field(text.data() + 2 * kFieldWidth);
}

bool formatPointRecord(const TLREC& tl, std::string& record) {
    if (tl.IC < -9 || tl.IC > 99) {
        return false;
    }
    // f5.1 of a whole number t: "t.0" right-justified (a negative zero
    // keeps its sign in the general formatter: left to it).
    const float th = tl.TH;
    if (!(th > -100.0f && th < 1000.0f) || th != std::trunc(th) || (th == 0.0f && std::signbit(th))) {
        return false;
    }
    record.clear();
    appendCode(tl.IC, record);
    record += ' ';
    const int t = static_cast<int>(th);
    const int at = t < 0 ? -t : t;
    char angle[5] = {' ', ' ', ' ', '.', '0'};
    angle[2] = static_cast<char>('0' + at % 10);
    if (at >= 10) {
        angle[1] = static_cast<char>('0' + at / 10 % 10);
    }
    if (at >= 100) {
        angle[0] = static_cast<char>('0' + at / 100);
    }
    if (t < 0) {
        angle[at >= 10 ? 0 : 1] = '-';
    }
    record.append(angle, 5);
    if (!appendCoordinates(tl.XYZ, record)) {
        return false;
    }
    record += '\n';
    return true;
}

bool formatCoordinateRecord(const FixedArray1<Quad, 1, 3>& xyz, std::string& record) {
    record.clear();
    if (!appendCoordinates(xyz, record)) {
        return false;
    }
    record += '\n';
    return true;
}

bool formatNumberRecord(int number, int code, std::string& record) {
    if (number < 0 || number > 999999999 || code < -9 || code > 99) {
        return false;
    }
    // i9: the number right-justified; 1x; i2.
    char digits[9] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', '0'};
    for (int i = 8; number > 0; --i) {
        digits[i] = static_cast<char>('0' + number % 10);
        number /= 10;
    }
    record.assign(digits, 9);
    record += ' ';
    appendCode(code, record);
    record += '\n';
    return true;
}

}  // namespace quorl
