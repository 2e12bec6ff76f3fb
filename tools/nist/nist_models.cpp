// The model functions of the 27 problems, written from the model lines of
// their reference files, in quad arithmetic.
#include <array>

#include "tools/nist/nist_problems.hpp"

namespace quorl::nist {

namespace {

const Quad kOne = fromInt(1);

// b1*exp(-b2*x) + b3*exp(-b4*x) + ...: one decaying exponential per pair.
Quad exponentials(std::span<const Quad> b, const Quad& x) {
    Quad sum{};
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        sum += b[i] * exp(-(b[i + 1] * x));
    }
    return sum;
}

// c*exp(-(x-m)**2 / w**2), a Gaussian peak of height c at m.
Quad peak(const Quad& c, const Quad& m, const Quad& w, const Quad& x) {
    const Quad d = x - m;
    return c * exp(-(d * d) / (w * w));
}

// (b1 + b2*x + b3*x**2 + ...) / (1 + b(n+1)*x + ...), numerator of n terms.
Quad rational(std::span<const Quad> b, std::size_t numeratorTerms, const Quad& x) {
    Quad num{}, den{};
    for (std::size_t i = numeratorTerms; i-- > 0;) {
        num = num * x + b[i];
    }
    for (std::size_t i = b.size(); i-- > numeratorTerms;) {
        den = (den + b[i]) * x;
    }
    return num / (kOne + den);
}

Quad misra1a(std::span<const Quad> b, std::span<const Quad> x) { return b[0] * (kOne - exp(-(b[1] * x[0]))); }

Quad chwirut(std::span<const Quad> b, std::span<const Quad> x) {
    return exp(-(b[0] * x[0])) / (b[1] + b[2] * x[0]);
}

Quad lanczos(std::span<const Quad> b, std::span<const Quad> x) { return exponentials(b, x[0]); }

Quad gauss(std::span<const Quad> b, std::span<const Quad> x) {
    return b[0] * exp(-(b[1] * x[0])) + peak(b[2], b[3], b[4], x[0]) + peak(b[5], b[6], b[7], x[0]);
}

Quad danWood(std::span<const Quad> b, std::span<const Quad> x) { return b[0] * pow(x[0], b[1]); }

// b1 * (1-(1+b2*x/2)**(-2))
Quad misra1b(std::span<const Quad> b, std::span<const Quad> x) {
    const Quad t = kOne + b[1] * x[0] / 2.0;
    return b[0] * (kOne - kOne / (t * t));
}

Quad rationalQuadratic(std::span<const Quad> b, std::span<const Quad> x) { return rational(b, 3, x[0]); }

Quad rationalCubic(std::span<const Quad> b, std::span<const Quad> x) { return rational(b, 4, x[0]); }

// log[y] = b1 - b2*x1 * exp[-b3*x2]
Quad nelson(std::span<const Quad> b, std::span<const Quad> x) { return b[0] - b[1] * x[0] * exp(-(b[2] * x[1])); }

Quad mgh17(std::span<const Quad> b, std::span<const Quad> x) {
    return b[0] + b[1] * exp(-(x[0] * b[3])) + b[2] * exp(-(x[0] * b[4]));
}

// b1 * (1-(1+2*b2*x)**(-.5))
Quad misra1c(std::span<const Quad> b, std::span<const Quad> x) {
    return b[0] * (kOne - kOne / sqrt(kOne + 2.0 * b[1] * x[0]));
}

// b1*b2*x*((1+b2*x)**(-1))
Quad misra1d(std::span<const Quad> b, std::span<const Quad> x) {
    return b[0] * b[1] * x[0] / (kOne + b[1] * x[0]);
}

// b1 - b2*x - arctan[b3/(x-b4)]/pi
Quad roszman1(std::span<const Quad> b, std::span<const Quad> x) {
    return b[0] - b[1] * x[0] - atan(b[2] / (x[0] - b[3])) / kPi;
}

// b1 + b2*cos(2*pi*x/12) + b3*sin(2*pi*x/12) + b5*cos(2*pi*x/b4) + b6*sin(2*pi*x/b4)
//    + b8*cos(2*pi*x/b7) + b9*sin(2*pi*x/b7)
Quad enso(std::span<const Quad> b, std::span<const Quad> x) {
    const Quad twoPiX = fromInt(2) * kPi * x[0];
    const Quad annual = twoPiX / fromInt(12), second = twoPiX / b[3], third = twoPiX / b[6];
    return b[0] + b[1] * cos(annual) + b[2] * sin(annual) + b[4] * cos(second) + b[5] * sin(second) +
           b[7] * cos(third) + b[8] * sin(third);
}

// b1*(x**2+x*b2) / (x**2+x*b3+b4)
Quad mgh09(std::span<const Quad> b, std::span<const Quad> x) {
    const Quad x2 = x[0] * x[0];
    return b[0] * (x2 + x[0] * b[1]) / (x2 + x[0] * b[2] + b[3]);
}

Quad rat42(std::span<const Quad> b, std::span<const Quad> x) { return b[0] / (kOne + exp(b[1] - b[2] * x[0])); }

Quad mgh10(std::span<const Quad> b, std::span<const Quad> x) { return b[0] * exp(b[1] / (x[0] + b[2])); }

// (b1/b2) * exp[-0.5*((x-b3)/b2)**2]
Quad eckerle4(std::span<const Quad> b, std::span<const Quad> x) {
    const Quad t = (x[0] - b[2]) / b[1];
    return (b[0] / b[1]) * exp(-(0.5 * (t * t)));
}

// b1 / ((1+exp[b2-b3*x])**(1/b4))
Quad rat43(std::span<const Quad> b, std::span<const Quad> x) {
    return b[0] / pow(kOne + exp(b[1] - b[2] * x[0]), kOne / b[3]);
}

// b1 * (b2+x)**(-1/b3)
Quad bennett5(std::span<const Quad> b, std::span<const Quad> x) { return b[0] * pow(b[1] + x[0], -(kOne / b[2])); }

struct Entry {
    const char* name;
    ModelFunction model;
    bool logResponse = false;
};

// NIST's order: lower, average, then higher difficulty.
constexpr std::array kModels = {
    Entry{"Misra1a", misra1a},        Entry{"Chwirut2", chwirut},       Entry{"Chwirut1", chwirut},
    Entry{"Lanczos3", lanczos},       Entry{"Gauss1", gauss},           Entry{"Gauss2", gauss},
    Entry{"DanWood", danWood},        Entry{"Misra1b", misra1b},        Entry{"Kirby2", rationalQuadratic},
    Entry{"Hahn1", rationalCubic},    Entry{"Nelson", nelson, true},    Entry{"MGH17", mgh17},
    Entry{"Lanczos1", lanczos},       Entry{"Lanczos2", lanczos},       Entry{"Gauss3", gauss},
    Entry{"Misra1c", misra1c},        Entry{"Misra1d", misra1d},        Entry{"Roszman1", roszman1},
    Entry{"ENSO", enso},              Entry{"MGH09", mgh09},            Entry{"Thurber", rationalCubic},
    Entry{"BoxBOD", misra1a},         Entry{"Rat42", rat42},            Entry{"MGH10", mgh10},
    Entry{"Eckerle4", eckerle4},      Entry{"Rat43", rat43},            Entry{"Bennett5", bennett5},
};

}  // namespace

const std::vector<std::string>& problemNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const Entry& e : kModels) {
            v.emplace_back(e.name);
        }
        return v;
    }();
    return names;
}

bool attachModel(Problem& p) {
    for (const Entry& e : kModels) {
        if (p.name == e.name) {
            p.model = e.model;
            p.logResponse = e.logResponse;
            return true;
        }
    }
    return false;
}

}  // namespace quorl::nist
