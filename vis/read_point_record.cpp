#include "vis/read_point_record.hpp"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "io/format_read.hpp"
#include "quad/decimal.hpp"
#include "vis/draw_3d_jtl.hpp"

namespace quorl {

namespace {

// Columns of (i2,1x,f5.1,3e18.9).
constexpr std::size_t kIcWidth = 2;
constexpr std::size_t kThAt = 3;
constexpr std::size_t kThWidth = 5;
constexpr std::size_t kXyzAt = 8;
constexpr std::size_t kXyzWidth = 18;
constexpr std::size_t kRecordWidth = kXyzAt + 3 * kXyzWidth;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The i2 field as the general reader takes it (blanks dropped, an optional
// sign, digits), for a digit last and a blank, sign or digit before it.
bool readColourCode(std::string_view f, std::int32_t& out) {
    if (!isDigit(f[1])) {
        return false;
    }
    const int last = f[1] - '0';
    switch (f[0]) {
    case ' ':
    case '+':
        out = last;
        return true;
    case '-':
        out = -last;
        return true;
    default:
        if (!isDigit(f[0])) {
            return false;
        }
        out = 10 * (f[0] - '0') + last;
        return true;
    }
}

// The f5.1 field written as blanks, an optional minus, digits, a point and
// digits: the float nearest that decimal, which is what the general reader
// gives it (the written value, correctly rounded to float).
bool readAngle(std::string_view f, float& out) {
    std::size_t i = 0;
    while (i < f.size() && f[i] == ' ') {
        ++i;
    }
    const std::size_t start = i;
    if (i < f.size() && f[i] == '-') {
        ++i;
    }
    const std::size_t digits = i;
    while (i < f.size() && isDigit(f[i])) {
        ++i;
    }
    if (i == digits || i == f.size() || f[i] != '.') {
        return false;
    }
    ++i;
    const std::size_t decimals = i;
    while (i < f.size() && isDigit(f[i])) {
        ++i;
    }
    if (i == decimals || i != f.size()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(f.data() + start, f.data() + f.size(), out);
    return ec == std::errc() && end == f.data() + f.size();
}

// An e18.9 field as the point list writes it, blanks, an optional sign,
// "0." and nine digits, "E", a sign and two digits: its digits and power
// go straight to the arithmetic of the short decimal reader, which is what
// the general reader's plain-decimal path gives it. Any other field, or a
// value that arithmetic does not take, goes to that path.
bool readCoordinate(std::string_view f, Quad& out) {
    std::size_t i = 0;
    while (i < f.size() && f[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < f.size() && (f[i] == '-' || f[i] == '+')) {
        negative = f[i] == '-';
        ++i;
    }
    constexpr std::size_t kTail = 2 + 9 + 4;  // 0.ddddddddd E+xx
    if (f.size() - i == kTail && f[i] == '0' && f[i + 1] == '.' && f[i + 11] == 'E' &&
        (f[i + 12] == '+' || f[i + 12] == '-') && isDigit(f[i + 13]) && isDigit(f[i + 14])) {
        std::uint64_t digits = 0;
        bool ok = true;
        for (std::size_t k = i + 2; k < i + 11; ++k) {
            ok = ok && isDigit(f[k]);
            digits = digits * 10 + static_cast<std::uint64_t>(f[k] - '0');
        }
        const long power = 10 * (f[i + 13] - '0') + (f[i + 14] - '0');
        if (ok && shortDecimalValue(digits, (f[i + 12] == '-' ? -power : power) - 9, negative, out)) {
            return true;
        }
    }
    return io::detail::readPlainDecimal(f, out);
}

}  // namespace

bool readPointRecord(std::string_view record, TLREC& tl) {
    if (record.size() == kRecordWidth) {
        TLREC r;
        bool fast = readColourCode(record.substr(0, kIcWidth), r.IC) &&
                    readAngle(record.substr(kThAt, kThWidth), r.TH);
        for (int k = 1; fast && k <= 3; ++k) {
            fast = readCoordinate(record.substr(kXyzAt + static_cast<std::size_t>(k - 1) * kXyzWidth, kXyzWidth),
                                  r.XYZ(k));
        }
        if (fast) {
            tl = r;
            return true;
        }
    }
    return io::readFormatted(record, FORMATTL, tl.IC, tl.TH, tl.XYZ(1), tl.XYZ(2), tl.XYZ(3)).ok();
}

}  // namespace quorl
