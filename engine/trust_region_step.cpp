#include "engine/trust_region_step.hpp"

#include "engine/invert_independent.hpp"

#include <limits>

namespace quorl {

namespace {

using Vec = std::vector<Quad>;

// Partials adding less than this part of their size to the span of the
// others' are left out of the Gauss-Newton step (as in the uncertainties).
const Quad kDependentPart{1e-20, 0.0};
// Steps of the Newton iteration for lambda; it converges in a few.
constexpr int kLambdaSteps = 40;
// A length within this part of the radius is the radius.
const Quad kLengthTolerance{0.1, 0.0};

std::size_t ix(int i) { return static_cast<std::size_t>(i - 1); }

Quad symmetric(const Array2<Quad>& N, int i, int j) { return Quad{0.5, 0.0} * (N(i, j) + N(j, i)); }

// L L' = N + lambda diag(w), L lower triangular; false when the matrix is
// not positive definite (or not finite).
bool cholesky(const Array2<Quad>& N, const Vec& w, const Quad& lambda, Array2<Quad>& L) {
    const int m = static_cast<int>(w.size());
    for (int j = 1; j <= m; ++j) {
        Quad d = N(j, j) + lambda * w[ix(j)];
        for (int k = 1; k < j; ++k) {
            d = d - L(j, k) * L(j, k);
        }
        if (!(d > Quad{}) || !isFinite(d)) {
            return false;
        }
        L(j, j) = sqrt(d);
        for (int i = j + 1; i <= m; ++i) {
            Quad sum = symmetric(N, i, j);
            for (int k = 1; k < j; ++k) {
                sum = sum - L(i, k) * L(j, k);
            }
            L(i, j) = sum / L(j, j);
        }
    }
    return true;
}

Vec forward(const Array2<Quad>& L, const Vec& b) {  // L x = b
    Vec x(b.size());
    for (int i = 1; i <= static_cast<int>(b.size()); ++i) {
        Quad sum = b[ix(i)];
        for (int k = 1; k < i; ++k) {
            sum = sum - L(i, k) * x[ix(k)];
        }
        x[ix(i)] = sum / L(i, i);
    }
    return x;
}

Vec backward(const Array2<Quad>& L, const Vec& b) {  // L' x = b
    const int m = static_cast<int>(b.size());
    Vec x(b.size());
    for (int i = m; i >= 1; --i) {
        Quad sum = b[ix(i)];
        for (int k = i + 1; k <= m; ++k) {
            sum = sum - L(k, i) * x[ix(k)];
        }
        x[ix(i)] = sum / L(i, i);
    }
    return x;
}

Quad scaledLength(const Vec& y, const Vec& w) {
    Quad sum{};
    for (std::size_t k = 0; k < y.size(); ++k) {
        sum = sum + w[k] * y[k] * y[k];
    }
    return sqrt(sum);
}

Quad squaredNorm(const Vec& v) {
    Quad sum{};
    for (const Quad& x : v) {
        sum = sum + x * x;
    }
    return sum;
}

// The Newton correction of lambda from the factor of N + lambda W and the
// step y of length `length`: (length - radius) / radius / |L^-1 W y / length|^2.
Quad newtonCorrection(const Array2<Quad>& L, const Vec& y, const Vec& w, const Quad& length, const Quad& radius) {
    Vec wy(y.size());
    for (std::size_t k = 0; k < y.size(); ++k) {
        wy[k] = w[k] * y[k] / length;
    }
    return ((length - radius) / radius) / squaredNorm(forward(L, wy));
}

TrustRegionStep finish(const Array2<Quad>& N, const Vec& w, Vec y, const Quad& lambda) {
    TrustRegionStep t;
    const int m = static_cast<int>(y.size());
    for (int i = 1; i <= m; ++i) {
        Quad row{};
        for (int j = 1; j <= m; ++j) {
            row = row + symmetric(N, i, j) * y[ix(j)];
        }
        t.yNy = t.yNy + y[ix(i)] * row;
        t.yWy = t.yWy + w[ix(i)] * y[ix(i)] * y[ix(i)];
    }
    t.length = sqrt(t.yWy);
    t.lambda = lambda;
    t.y = std::move(y);
    return t;
}

}  // namespace

namespace {

// The Gauss-Newton step and the number of parameters it uses.
Vec gaussNewton(const Array2<Quad>& N, const Vec& g, int& rank) {
    const int m = static_cast<int>(g.size());
    Array2<Quad> inverse(1, m, 1, m);
    for (int j = 1; j <= m; ++j) {
        for (int i = 1; i <= m; ++i) {
            inverse(i, j) = N(i, j);
        }
    }
    Array1<std::int32_t> used(1, m);
    rank = invertIndependentBlock(m, inverse, used, kDependentPart);
    Vec y(g.size());
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) {
            y[ix(i)] = y[ix(i)] + inverse(i, j) * g[ix(j)];
        }
    }
    return y;
}

}  // namespace

TrustRegionStep gaussNewtonStep(const Array2<Quad>& N, const std::vector<Quad>& g, const std::vector<Quad>& w) {
    int rank = 0;
    TrustRegionStep t = finish(N, w, gaussNewton(N, g, rank), Quad{});
    t.fullRank = rank == static_cast<int>(g.size());
    return t;
}

TrustRegionStep trustRegionStep(const Array2<Quad>& N, const std::vector<Quad>& g, const std::vector<Quad>& w,
                                const Quad& radius, const Quad& lambdaStart) {
    const int m = static_cast<int>(g.size());
    int rank = 0;
    Vec y = gaussNewton(N, g, rank);
    Quad length = scaledLength(y, w);
    const bool fits = !(length - radius > kLengthTolerance * radius);
    if (fits && rank == m) {
        return finish(N, w, std::move(y), Quad{});
    }
    // A Gauss-Newton step that leaves dependent parameters out is no
    // longer than the damped step sought.
    const Quad bound = fits && length > Quad{} ? length : radius;

    // The bracket of lambda. Below: with N of full rank, one Newton step
    // from lambda = 0 (the secular function is convex there); else 0.
    // Above: |W^(-1/2) g| / radius, past which every step is shorter.
    Array2<Quad> L(1, m, 1, m);
    Quad lower{};
    if (rank == m && cholesky(N, w, Quad{}, L)) {
        lower = newtonCorrection(L, y, w, length, bound);
        if (!(lower > Quad{})) {
            lower = Quad{};
        }
    }
    Quad gnorm{};
    for (int k = 1; k <= m; ++k) {
        gnorm = gnorm + g[ix(k)] * g[ix(k)] / w[ix(k)];
    }
    gnorm = sqrt(gnorm);
    Quad upper = gnorm / bound;
    const Quad tiny{1e-300, 0.0};
    if (upper == Quad{}) {
        upper = tiny / (bound < Quad{0.1, 0.0} ? bound : Quad{0.1, 0.0});
    }

    Quad lambda = lambdaStart > lower ? lambdaStart : lower;
    if (lambda > upper) {
        lambda = upper;
    }
    if (lambda == Quad{}) {
        lambda = gnorm / length;
    }
    Quad previous{};
    for (int step = 0; step < kLambdaSteps; ++step) {
        if (lambda == Quad{}) {
            const Quad floor = Quad{0.001, 0.0} * upper;
            lambda = floor > tiny ? floor : tiny;
        }
        if (!cholesky(N, w, lambda, L)) {
            // Not positive definite only when something is not finite.
            Vec nan(g.size(), Quad{std::numeric_limits<double>::quiet_NaN(), 0.0});
            return finish(N, w, std::move(nan), lambda);
        }
        y = backward(L, forward(L, g));
        length = scaledLength(y, w);
        const Quad excess = length - bound;
        if (!(abs(excess) > kLengthTolerance * bound) ||
            (lower == Quad{} && !(excess > previous) && previous < Quad{} && step > 0)) {
            break;
        }
        const Quad correction = newtonCorrection(L, y, w, length, bound);
        if (excess > Quad{} && lambda > lower) {
            lower = lambda;
        }
        if (excess < Quad{} && lambda < upper) {
            upper = lambda;
        }
        const Quad next = lambda + correction;
        lambda = next > lower ? next : lower;
        previous = excess;
    }
    return finish(N, w, std::move(y), lambda);
}

}  // namespace quorl
