// Dual<N>: a quad real with its partial derivatives with respect to N
// parameters (forward-mode automatic differentiation). A model written
// generically over its number type,
//
//   template <class T> T f(const std::array<T, 3>& p, const Quad& x);
//
// gives its value with T = Quad and, with T = Dual<3> and each p[k] built by
// Dual<3>::parameter(value, k), the same value together with the exact
// partials df/dp[k] in d[k].
//
// The value of every operation and function is computed exactly as the Quad
// operation or function computes it, so both instantiations of a model give
// the same bits. Each partial follows the chain rule with the derivative
// taken in quad arithmetic from the value, by the rules and edge behaviour of
// quad/derivative_rules.hpp (a partial exactly 0 stays 0, a point that is
// not finite makes the other partials NaN). Comparisons compare the values,
// so generic code may branch on them.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "quad/derivative_rules.hpp"
#include "quad/quad.hpp"

namespace quorl {

template <int N>
struct Dual;

namespace detail {

template <class T>
struct IsDual : std::false_type {};
template <int N>
struct IsDual<Dual<N>> : std::true_type {};

// True when every partial is exactly 0: the rules are then not evaluated.
template <int N>
bool isConstant(const Dual<N>& a) {
    for (const Quad& x : a.d) {
        if (x.hi != 0.0) {
            return false;
        }
    }
    return true;
}

// The result of a function of one argument with value r; slope(a, r) gives
// f'(a) and is asked only where a partial needs it.
template <int N, class Slope>
Dual<N> unary(const Dual<N>& a, Quad r, Slope slope) {
    Dual<N> out(r);
    if (isConstant(a)) {
        return out;
    }
    if (!derivative::finitePoint(a.v, r)) {
        for (int k = 0; k < N; ++k) {
            out.d[k] = derivative::poisoned(a.d[k]);
        }
        return out;
    }
    const Quad f = slope(a.v, r);
    for (int k = 0; k < N; ++k) {
        out.d[k] = derivative::chain(f, a.d[k]);
    }
    return out;
}

// An operation of a dual a and a constant c with value r whose partials are
// a's, or their negatives: a + c, a - c, c + a, c - a.
template <int N>
Dual<N> shifted(const Dual<N>& a, Quad c, Quad r, bool negate) {
    Dual<N> out(r);
    const bool finite = derivative::finitePoint(a.v, c, r);
    for (int k = 0; k < N; ++k) {
        const Quad x = finite ? a.d[k] : derivative::poisoned(a.d[k]);
        out.d[k] = negate ? -x : x;
    }
    return out;
}

// An operation of two duals with value r: partial = da f_a + db f_b, with
// slopeA() = f_a and slopeB() = f_b asked only where a partial needs them.
template <int N, class SlopeA, class SlopeB>
Dual<N> binary(const Dual<N>& a, const Dual<N>& b, Quad r, SlopeA slopeA, SlopeB slopeB) {
    Dual<N> out(r);
    const bool constA = isConstant(a);
    const bool constB = isConstant(b);
    if (constA && constB) {
        return out;
    }
    if (!derivative::finitePoint(a.v, b.v, r)) {
        for (int k = 0; k < N; ++k) {
            out.d[k] = derivative::poisoned(a.d[k], b.d[k]);
        }
        return out;
    }
    const Quad fa = constA ? derivative::kZero : slopeA();
    const Quad fb = constB ? derivative::kZero : slopeB();
    for (int k = 0; k < N; ++k) {
        out.d[k] = derivative::plus(derivative::chain(fa, a.d[k]), derivative::chain(fb, b.d[k]));
    }
    return out;
}

// An operation of a dual and a constant operand: slope() gives the
// derivative with respect to the dual one.
template <int N, class Slope>
Dual<N> withConstant(const Dual<N>& a, Quad c, Quad r, Slope slope) {
    Dual<N> out(r);
    if (isConstant(a)) {
        return out;
    }
    if (!derivative::finitePoint(a.v, c, r)) {
        for (int k = 0; k < N; ++k) {
            out.d[k] = derivative::poisoned(a.d[k]);
        }
        return out;
    }
    const Quad f = slope();
    for (int k = 0; k < N; ++k) {
        out.d[k] = derivative::chain(f, a.d[k]);
    }
    return out;
}

}  // namespace detail

template <int N>
struct Dual {
    static_assert(N >= 1, "a dual number has at least one partial");

    Quad v{};
    std::array<Quad, N> d{};

    Dual() = default;
    // A constant: all partials 0.
    Dual(Quad value) : v(value) {}  // implicit, as a Quad is a constant in generic code

    // The k-th parameter (0 <= k < N) at `value`: d[k] = 1.
    static Dual parameter(Quad value, int k) {
        if (k < 0 || k >= N) {
            throw std::out_of_range("Dual<" + std::to_string(N) + ">::parameter: no partial " + std::to_string(k));
        }
        Dual out(value);
        out.d[static_cast<std::size_t>(k)] = derivative::kOne;
        return out;
    }

    // ---- arithmetic ----------------------------------------------------

    friend Dual operator-(const Dual& a) {
        Dual out(-a.v);
        const bool finite = isFinite(a.v);
        for (int k = 0; k < N; ++k) {
            out.d[k] = finite ? -a.d[k] : derivative::poisoned(a.d[k]);
        }
        return out;
    }

    friend Dual operator+(const Dual& a, const Dual& b) {
        Dual out(a.v + b.v);
        const bool finite = derivative::finitePoint(a.v, b.v, out.v);
        for (int k = 0; k < N; ++k) {
            out.d[k] = finite ? derivative::plus(a.d[k], b.d[k]) : derivative::poisoned(a.d[k], b.d[k]);
        }
        return out;
    }
    friend Dual operator-(const Dual& a, const Dual& b) {
        Dual out(a.v - b.v);
        const bool finite = derivative::finitePoint(a.v, b.v, out.v);
        for (int k = 0; k < N; ++k) {
            out.d[k] = finite ? derivative::plus(a.d[k], -b.d[k]) : derivative::poisoned(a.d[k], b.d[k]);
        }
        return out;
    }
    friend Dual operator*(const Dual& a, const Dual& b) {
        return detail::binary(a, b, a.v * b.v, [&] { return b.v; }, [&] { return a.v; });
    }
    friend Dual operator/(const Dual& a, const Dual& b) {
        const Quad r = a.v / b.v;
        return detail::binary(
            a, b, r, [&] { return derivative::divNumeratorPrime(b.v); },
            [&] { return derivative::divDenominatorPrime(b.v, r); });
    }

    friend Dual operator+(const Dual& a, Quad c) { return detail::shifted(a, c, a.v + c, false); }
    friend Dual operator+(Quad c, const Dual& a) { return detail::shifted(a, c, c + a.v, false); }
    friend Dual operator-(const Dual& a, Quad c) { return detail::shifted(a, c, a.v - c, false); }
    friend Dual operator-(Quad c, const Dual& a) { return detail::shifted(a, c, c - a.v, true); }
    friend Dual operator*(const Dual& a, Quad c) { return detail::withConstant(a, c, a.v * c, [&] { return c; }); }
    friend Dual operator*(Quad c, const Dual& a) { return detail::withConstant(a, c, c * a.v, [&] { return c; }); }
    friend Dual operator/(const Dual& a, Quad c) {
        return detail::withConstant(a, c, a.v / c, [&] { return derivative::divNumeratorPrime(c); });
    }
    friend Dual operator/(Quad c, const Dual& a) {
        const Quad r = c / a.v;
        return detail::withConstant(a, c, r, [&] { return derivative::divDenominatorPrime(a.v, r); });
    }

    // A double is taken exactly, as in the mixed Quad operations.
    friend Dual operator+(const Dual& a, double c) { return a + fromDouble(c); }
    friend Dual operator+(double c, const Dual& a) { return fromDouble(c) + a; }
    friend Dual operator-(const Dual& a, double c) { return a - fromDouble(c); }
    friend Dual operator-(double c, const Dual& a) { return fromDouble(c) - a; }
    friend Dual operator*(const Dual& a, double c) { return a * fromDouble(c); }
    friend Dual operator*(double c, const Dual& a) { return fromDouble(c) * a; }
    friend Dual operator/(const Dual& a, double c) { return a / fromDouble(c); }
    friend Dual operator/(double c, const Dual& a) { return fromDouble(c) / a; }

    Dual& operator+=(const Dual& b) { return *this = *this + b; }
    Dual& operator-=(const Dual& b) { return *this = *this - b; }
    Dual& operator*=(const Dual& b) { return *this = *this * b; }
    Dual& operator/=(const Dual& b) { return *this = *this / b; }
    Dual& operator+=(Quad c) { return *this = *this + c; }
    Dual& operator-=(Quad c) { return *this = *this - c; }
    Dual& operator*=(Quad c) { return *this = *this * c; }
    Dual& operator/=(Quad c) { return *this = *this / c; }
    Dual& operator+=(double c) { return *this = *this + c; }
    Dual& operator-=(double c) { return *this = *this - c; }
    Dual& operator*=(double c) { return *this = *this * c; }
    Dual& operator/=(double c) { return *this = *this / c; }
};

// ---- the value, on either type ----------------------------------------------

inline Quad valueOf(Quad x) { return x; }
template <int N>
Quad valueOf(const Dual<N>& x) {
    return x.v;
}

// ---- comparisons: on the values, with Quad's answers ------------------------

namespace detail {
inline Quad comparand(Quad x) { return x; }
inline Quad comparand(double x) { return fromDouble(x); }
template <int N>
Quad comparand(const Dual<N>& x) {
    return x.v;
}
template <class A, class B>
concept DualComparison = (IsDual<A>::value || IsDual<B>::value) && requires(const A& a, const B& b) {
    comparand(a);
    comparand(b);
};
}  // namespace detail

template <class A, class B>
    requires detail::DualComparison<A, B>
bool operator<(const A& a, const B& b) {
    return detail::comparand(a) < detail::comparand(b);
}
template <class A, class B>
    requires detail::DualComparison<A, B>
bool operator>(const A& a, const B& b) {
    return detail::comparand(a) > detail::comparand(b);
}
template <class A, class B>
    requires detail::DualComparison<A, B>
bool operator<=(const A& a, const B& b) {
    return detail::comparand(a) <= detail::comparand(b);
}
template <class A, class B>
    requires detail::DualComparison<A, B>
bool operator>=(const A& a, const B& b) {
    return detail::comparand(a) >= detail::comparand(b);
}
template <class A, class B>
    requires detail::DualComparison<A, B>
bool operator==(const A& a, const B& b) {
    return detail::comparand(a) == detail::comparand(b);
}
template <class A, class B>
    requires detail::DualComparison<A, B>
bool operator!=(const A& a, const B& b) {
    return detail::comparand(a) != detail::comparand(b);
}

// ---- functions, found by argument-dependent lookup --------------------------

template <int N>
Dual<N> sqrt(const Dual<N>& a) {
    return detail::unary(a, sqrt(a.v), derivative::sqrtPrime);
}
template <int N>
Dual<N> abs(const Dual<N>& a) {
    Dual<N> out(abs(a.v));
    const bool finite = isFinite(a.v);
    for (int k = 0; k < N; ++k) {
        out.d[k] = finite ? derivative::absPartial(a.v, a.d[k]) : derivative::poisoned(a.d[k]);
    }
    return out;
}
template <int N>
Dual<N> exp(const Dual<N>& a) {
    return detail::unary(a, exp(a.v), derivative::expPrime);
}
template <int N>
Dual<N> expm1(const Dual<N>& a) {
    return detail::unary(a, expm1(a.v), derivative::expm1Prime);
}
template <int N>
Dual<N> log(const Dual<N>& a) {
    return detail::unary(a, log(a.v), derivative::logPrime);
}
template <int N>
Dual<N> log1p(const Dual<N>& a) {
    return detail::unary(a, log1p(a.v), derivative::log1pPrime);
}
template <int N>
Dual<N> log10(const Dual<N>& a) {
    return detail::unary(a, log10(a.v), derivative::log10Prime);
}
template <int N>
Dual<N> sin(const Dual<N>& a) {
    return detail::unary(a, sin(a.v), derivative::sinPrime);
}
template <int N>
Dual<N> cos(const Dual<N>& a) {
    return detail::unary(a, cos(a.v), derivative::cosPrime);
}
template <int N>
Dual<N> tan(const Dual<N>& a) {
    return detail::unary(a, tan(a.v), derivative::tanPrime);
}
template <int N>
Dual<N> asin(const Dual<N>& a) {
    return detail::unary(a, asin(a.v), derivative::asinPrime);
}
template <int N>
Dual<N> acos(const Dual<N>& a) {
    return detail::unary(a, acos(a.v), derivative::acosPrime);
}
template <int N>
Dual<N> atan(const Dual<N>& a) {
    return detail::unary(a, atan(a.v), derivative::atanPrime);
}
template <int N>
Dual<N> sinh(const Dual<N>& a) {
    return detail::unary(a, sinh(a.v), derivative::sinhPrime);
}
template <int N>
Dual<N> cosh(const Dual<N>& a) {
    return detail::unary(a, cosh(a.v), derivative::coshPrime);
}
template <int N>
Dual<N> tanh(const Dual<N>& a) {
    return detail::unary(a, tanh(a.v), derivative::tanhPrime);
}

template <int N>
Dual<N> atan2(const Dual<N>& y, const Dual<N>& x) {
    return detail::binary(
        y, x, atan2(y.v, x.v), [&] { return derivative::atan2Prime(y.v, x.v).dy; },
        [&] { return derivative::atan2Prime(y.v, x.v).dx; });
}
template <int N>
Dual<N> atan2(const Dual<N>& y, Quad x) {
    return detail::withConstant(y, x, atan2(y.v, x), [&] { return derivative::atan2Prime(y.v, x).dy; });
}
template <int N>
Dual<N> atan2(Quad y, const Dual<N>& x) {
    return detail::withConstant(x, y, atan2(y, x.v), [&] { return derivative::atan2Prime(y, x.v).dx; });
}

template <int N>
Dual<N> pow(const Dual<N>& a, int n) {
    return detail::unary(a, pow(a.v, n), [n](Quad x, Quad) { return derivative::powIntBasePrime(x, n); });
}
// A double exponent would silently become the int one above: refused.
template <int N>
Dual<N> pow(const Dual<N>& a, double b) = delete;
template <int N>
Dual<N> pow(const Dual<N>& a, Quad b) {
    return detail::withConstant(a, b, pow(a.v, b), [&] { return derivative::powBasePrime(a.v, b); });
}
template <int N>
Dual<N> pow(Quad a, const Dual<N>& b) {
    const Quad r = pow(a, b.v);
    return detail::withConstant(b, a, r, [&] { return derivative::powExponentPrime(a, r); });
}
template <int N>
Dual<N> pow(const Dual<N>& a, const Dual<N>& b) {
    const Quad r = pow(a.v, b.v);
    return detail::binary(
        a, b, r, [&] { return derivative::powBasePrime(a.v, b.v); },
        [&] { return derivative::powExponentPrime(a.v, r); });
}

}  // namespace quorl
