#include "io/real_text.hpp"

#include <cctype>
#include <limits>

#include "io/upper_case.hpp"
#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

// More than parseQuad keeps (1600) and far more than a double needs (767):
// the short form rounds exactly as the full text would.
constexpr int kKeptDigits = 1700;
// Exponents beyond this give infinity or zero whatever the digits.
constexpr long long kExponentLimit = 1000000000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The word without its sign: Inf, Infinity, NaN, NaN(alphanumerics).
bool nonFinite(std::string_view w, double& value) {
    if (equalsUpper(w, "INF") || equalsUpper(w, "INFINITY")) {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (w.size() < 3 || !equalsUpper(w.substr(0, 3), "NAN")) {
        return false;
    }
    if (w.size() > 3) {
        if (w[3] != '(' || w.back() != ')') {
            return false;
        }
        for (const char c : w.substr(4, w.size() - 5)) {
            if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_') {
                return false;
            }
        }
    }
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
}

}  // namespace

bool isNonFiniteWord(std::string_view text) {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        text.remove_prefix(1);
    }
    double ignored;
    return nonFinite(text, ignored);
}

bool realText(std::string_view text, RealText& out, int impliedDecimals) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double special = 0.0;
    if (nonFinite(text.substr(i), special)) {
        out.decimal.clear();
        out.special = negative ? -special : special;
        return true;
    }
    // The significand: value = kept digits * 10^scale.
    std::string digits;
    long long scale = 0;
    int kept = 0;
    bool point = false, anyDigit = false, sticky = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(c)) {
            break;
        }
        anyDigit = true;
        if (kept == 0 && c == '0') {
            scale -= point ? 1 : 0;
        } else if (kept < kKeptDigits) {
            digits.push_back(c);
            ++kept;
            scale -= point ? 1 : 0;
        } else {
            sticky = sticky || c != '0';
            scale += point ? 0 : 1;
        }
    }
    if (!anyDigit) {
        return false;
    }
    if (!point) {
        scale -= impliedDecimals;
    }
    // The exponent: a letter with an optional sign, or a bare sign.
    if (i < text.size()) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (letter == 'E' || letter == 'D' || letter == 'Q') {
            ++i;
        } else if (text[i] != '+' && text[i] != '-') {
            return false;
        }
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            expNegative = text[i] == '-';
            ++i;
        }
        if (i == text.size()) {
            return false;
        }
        long long exponent = 0;
        for (; i < text.size(); ++i) {
            if (!isDigit(text[i])) {
                return false;
            }
            exponent = exponent < kExponentLimit ? exponent * 10 + (text[i] - '0') : exponent;
        }
        scale += expNegative ? -exponent : exponent;
    }
    if (sticky) {
        digits.push_back('1');
        --scale;
    }
    if (digits.empty()) {
        digits = "0";
        scale = 0;
    }
    // Keep the exponent within what parseQuad reads; beyond it the value is
    // infinite or zero all the same.
    if (scale > 4 * kExponentLimit) {
        scale = 4 * kExponentLimit;
    } else if (scale < -4 * kExponentLimit) {
        scale = -4 * kExponentLimit;
    }
    out.decimal.assign(negative ? "-" : "");
    out.decimal += digits;
    out.decimal += 'E';
    out.decimal += std::to_string(scale);
    out.special = 0.0;
    return true;
}

bool parseReal(std::string_view text, Quad& out) {
    RealText r;
    if (!realText(text, r)) {
        return false;
    }
    if (r.decimal.empty()) {
        out = Quad{r.special, 0.0};
        return true;
    }
    return parseQuad(r.decimal, out);
}

}  // namespace quorl::io
