#include "vis/view_ticks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorl {

namespace {

// 10^e, exact for e >= 0 up to 22 and correctly rounded below (one
// division), as the script computes it.
double powerOfTen(int e) {
    double p = 1;
    for (int k = 0; k < std::abs(e); ++k) {
        p *= 10;
    }
    return e < 0 ? 1 / p : p;
}

// "1.5e+07" -> "1.5e+7": the script's form of an exponent.
std::string shortExponent(std::string text) {
    const std::size_t e = text.find('e');
    if (e != std::string::npos && e + 2 < text.size()) {
        std::size_t digits = e + 2;
        while (digits + 1 < text.size() && text[digits] == '0') {
            text.erase(digits, 1);
        }
    }
    return text;
}

}  // namespace

std::vector<ViewTick> viewTicks(double lo, double hi) {
    std::vector<ViewTick> ticks;
    if (lo > hi) {
        std::swap(lo, hi);
    }
    const double span = hi - lo;
    if (!std::isfinite(span) || !(span > 0)) {
        return ticks;
    }
    const double raw = span / 5;
    const int e = static_cast<int>(std::floor(std::log10(raw)));
    if (e < -300 || e > 300) {
        return ticks;
    }
    const double p = powerOfTen(e);
    const double m = raw / p;
    const double step = (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
    const double first = std::ceil(lo / step - 1e-9);
    const double last = std::floor(hi / step + 1e-9);
    const double biggest = std::max(std::abs(lo), std::abs(hi));
    const bool exponent = step >= 1e6 || biggest < 1e-3;
    const int lstep = static_cast<int>(std::floor(std::log10(step) + 1e-9));
    const int decimals = std::min(17, std::max(0, -lstep));
    const int mantissa = std::min(17, std::max(0, static_cast<int>(std::floor(std::log10(biggest))) - lstep));
    for (double i = first; i <= last && ticks.size() < 30; ++i) {
        const double v = i == 0 ? 0.0 : i * step;
        char buf[64];
        if (exponent && v != 0) {
            std::snprintf(buf, sizeof buf, "%.*e", mantissa, v);
        } else {
            std::snprintf(buf, sizeof buf, "%.*f", exponent ? 0 : decimals, v);
        }
        ticks.push_back({v, shortExponent(buf)});
    }
    return ticks;
}

std::string viewValueText(double v) {
    if (!std::isfinite(v)) {
        return std::isnan(v) ? "NaN" : v > 0 ? "Infinity" : "-Infinity";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v == 0 ? 0.0 : v);
    return shortExponent(buf);
}

}  // namespace quorl
