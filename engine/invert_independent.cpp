#include "engine/invert_independent.hpp"

#include <vector>

namespace quorl {

int invertIndependentBlock(int N, Array2<Quad>& A, Array1<std::int32_t>& IUSED, const Quad& THRESHOLD) {
    A.checkRange(1, N, 1, N);
    IUSED.checkRange(1, N);
    const Quad half{0.5, 0.0};

    // S: the symmetric matrix, reduced in place to the Schur complement of
    // the parameters taken so far; L(:, t): the factor's column of the t-th
    // parameter taken, in the order they are taken.
    Array2<Quad> S(1, N, 1, N);
    for (int j = 1; j <= N; ++j) {
        for (int i = 1; i <= N; ++i) {
            S(i, j) = half * (A(i, j) + A(j, i));
        }
        IUSED(j) = 0;
    }
    Array2<Quad> L(1, N, 1, N);
    std::vector<int> taken;
    for (int t = 1; t <= N; ++t) {
        int best = 0;
        for (int k = 1; k <= N; ++k) {
            if (IUSED(k) == 0 && isFinite(S(k, k)) && (best == 0 || S(k, k) > S(best, best))) {
                best = k;
            }
        }
        if (best == 0 || !(S(best, best) > THRESHOLD)) {
            break;
        }
        IUSED(best) = 1;
        taken.push_back(best);
        const Quad root = sqrt(S(best, best));
        for (int i = 1; i <= N; ++i) {
            L(i, t) = IUSED(i) == 1 && i != best ? Quad{} : S(i, best) / root;
        }
        for (int j = 1; j <= N; ++j) {
            if (IUSED(j) == 1) {
                continue;
            }
            for (int i = 1; i <= N; ++i) {
                if (IUSED(i) == 0) {
                    S(i, j) = S(i, j) - L(i, t) * L(j, t);
                }
            }
        }
    }

    // The factor of the block in the order taken: F(a, b) = L(taken[a], b),
    // lower triangular. Its inverse G column by column (forward
    // substitution), then the block's inverse G'G.
    const int m = static_cast<int>(taken.size());
    auto F = [&](int a, int b) { return L(taken[static_cast<std::size_t>(a - 1)], b); };
    Array2<Quad> G(1, m, 1, m);
    for (int c = 1; c <= m; ++c) {
        for (int a = c; a <= m; ++a) {
            Quad sum = a == c ? Quad{1.0, 0.0} : Quad{};
            for (int b = c; b < a; ++b) {
                sum = sum - F(a, b) * G(b, c);
            }
            G(a, c) = sum / F(a, a);
        }
    }
    A.fill(Quad{});
    for (int a = 1; a <= m; ++a) {
        for (int b = 1; b <= a; ++b) {
            Quad sum{};
            for (int r = a; r <= m; ++r) {
                sum = sum + G(r, a) * G(r, b);
            }
            const int i = taken[static_cast<std::size_t>(a - 1)];
            const int j = taken[static_cast<std::size_t>(b - 1)];
            A(i, j) = sum;
            A(j, i) = sum;
        }
    }
    return m;
}

}  // namespace quorl
