#include "engine/chunked_normal_equations.hpp"

#include <algorithm>
#include <vector>

#include "engine/beamer.hpp"
#include "engine/chunked_pass.hpp"
#include "engine/data_point_partials.hpp"
#include "engine/point_partials.hpp"

namespace quorl {

namespace {

using Vec = std::vector<Quad>;

// One chunk's share of the pass.
struct ChunkSums {
    Vec BTZ, BTB;  // BTB(k2, k) at k2 + K k (0-based)
    Vec z, b;      // the last data point's residuals and partials
    NormalSums sums;
    Quad rounding{};
};

// The residuals and partials of data point md at p (PBASE), by the
// method of JPARTIALS, as engine/point_partials.hpp makes them; p is
// shifted and restored for the differences.
void partialsOf(const State& s, const PointModel& model, int md, Vec& p, Vec& z, Vec& b, Vec& zdata, Vec& wt,
                Vec& up, Vec& down, Vec& upHalf, Vec& downHalf, bool scaled, PointModel::Workspace& w) {
    const int K = s.KPTOT;
    const std::size_t L = z.size();
    if (s.JPARTIALS == 1) {
        model.point(s, md, p.data(), z.data(), b.data(), zdata.data(), wt.data(), w);
    } else {
        model.point(s, md, p.data(), z.data(), nullptr, zdata.data(), wt.data(), w);
    }
    for (int kp = 1; kp <= K; ++kp) {
        const auto k = static_cast<std::size_t>(kp - 1);
        const PREC& pr = s.PR(kp);
        if (pr.OFFON == Quad{}) {
            for (std::size_t l = 0; l < L; ++l) {
                b[l * static_cast<std::size_t>(K) + k] = Quad{};
            }
            continue;
        }
        if (s.JPARTIALS == 0) {
            p[k] = pr.PBASE + pr.DELTA;
            model.point(s, md, p.data(), up.data(), nullptr, nullptr, nullptr, w);
            p[k] = pr.PBASE;
            for (std::size_t l = 0; l < L; ++l) {
                b[l * static_cast<std::size_t>(K) + k] = (z[l] - up[l]) / pr.DELTA;
            }
        } else if (s.JPARTIALS == 2) {
            const Quad h = pr.DELTA;
            const Quad half = h * Quad{0.5, 0.0};
            const Quad shifts[] = {h, -h, half, -half};
            Vec* into[] = {&up, &down, &upHalf, &downHalf};
            for (int i = 0; i < 4; ++i) {
                p[k] = pr.PBASE + shifts[i];
                model.point(s, md, p.data(), into[i]->data(), nullptr, nullptr, nullptr, w);
            }
            p[k] = pr.PBASE;
            for (std::size_t l = 0; l < L; ++l) {
                b[l * static_cast<std::size_t>(K) + k] = extrapolatedCentral(h, up[l], down[l], upHalf[l], downHalf[l]);
            }
        }
        if (scaled) {
            for (std::size_t l = 0; l < L; ++l) {
                b[l * static_cast<std::size_t>(K) + k] = b[l * static_cast<std::size_t>(K) + k] * pr.OFFON;
            }
        }
    }
}

}  // namespace

bool formNormalEquationsInChunks(State& s, bool scaled, NormalSums& sums, Quad& rounding) {
    if (!s.pointModel || (scaled && s.JPD >= 5) || s.MDTOT < 1 ||
        (s.JPARTIALS == 1 && !s.pointModel->exactPartials())) {
        return false;
    }
    const PointModel& model = *s.pointModel;
    const int K = s.KPTOT;
    const auto Ks = static_cast<std::size_t>(K);
    const auto Ls = static_cast<std::size_t>(s.LZTOT);
    countPartialsPass(s);
    s.MD = 0;
    YOUQUORL(s, 2);
    Vec base(Ks);
    for (int kp = 1; kp <= K; ++kp) {
        base[static_cast<std::size_t>(kp - 1)] = s.PR(kp).PBASE;
    }

    const int chunks = (s.MDTOT + kChunkPoints - 1) / kChunkPoints;
    std::vector<ChunkSums> parts(static_cast<std::size_t>(chunks));
    forEachChunk(s, chunks, [&](int c, PointModel::Workspace& w) {
        ChunkSums& part = parts[static_cast<std::size_t>(c)];
        part.BTZ.assign(Ks, Quad{});
        part.BTB.assign(Ks * Ks, Quad{});
        Vec p = base, z(Ls), b(Ls * Ks), zdata(Ls), wt(Ls), up(Ls), down(Ls), upHalf(Ls), downHalf(Ls);
        const int first = c * kChunkPoints + 1;
        const int last = std::min(s.MDTOT, first + kChunkPoints - 1);
        for (int md = first; md <= last; ++md) {
            partialsOf(s, model, md, p, z, b, zdata, wt, up, down, upHalf, downHalf, scaled, w);
            // The accumulation of formNormalEquations, term for term.
            for (std::size_t l = 0; l < Ls; ++l) {
                const Quad zbase = z[l];
                part.rounding = part.rounding + abs(zbase) * (abs(zdata[l] * wt[l]) + abs(zbase));
                for (std::size_t k = 0; k < Ks; ++k) {
                    const Quad bk = b[l * Ks + k];
                    part.BTZ[k] = part.BTZ[k] + bk * zbase;
                    for (std::size_t k2 = 0; k2 < Ks; ++k2) {
                        part.BTB[k2 + Ks * k] = part.BTB[k2 + Ks * k] + b[l * Ks + k2] * bk;
                    }
                }
            }
            for (std::size_t l = 0; l < Ls; ++l) {
                part.sums.add(z[l], wt[l]);
            }
        }
        part.z = std::move(z);
        part.b = std::move(b);
    });

    for (const ChunkSums& part : parts) {
        for (int k = 1; k <= K; ++k) {
            s.BTZ(k) = s.BTZ(k) + part.BTZ[static_cast<std::size_t>(k - 1)];
            for (int k2 = 1; k2 <= K; ++k2) {
                s.BTB(k2, k) = s.BTB(k2, k) + part.BTB[static_cast<std::size_t>(k2 - 1) + Ks * static_cast<std::size_t>(k - 1)];
            }
        }
        sums.chiSquare = sums.chiSquare + part.sums.chiSquare;
        sums.unweighted = sums.unweighted + part.sums.unweighted;
        sums.weightsUsable = sums.weightsUsable && part.sums.weightsUsable;
        rounding = rounding + part.rounding;
    }
    // As the pass of modes 3 and 4 leaves them: the last data point's
    // residuals and partials, P = PBASE, and the progress indicator's marks.
    const ChunkSums& final = parts.back();
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        s.ZR(lz).ZBASE = final.z[static_cast<std::size_t>(lz - 1)];
        for (int kp = 1; kp <= K; ++kp) {
            s.B(lz, kp) = final.b[static_cast<std::size_t>(lz - 1) * Ks + static_cast<std::size_t>(kp - 1)];
        }
    }
    for (int kp = 1; kp <= K; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    if (scaled && s.MDTOT > 1000) {
        for (int md = 1; md <= s.MDTOT; ++md) {
            BEAMER(s, md, s.MDTOT);
        }
    }
    s.MD = s.MDTOT + 1;
    return true;
}

}  // namespace quorl
