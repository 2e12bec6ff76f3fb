#include "engine/chunked_normal_equations.hpp"

#include <algorithm>
#include <cmath>
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
    Vec BTZ, BTB;  // BTB(k2, k) at k2 + K k (0-based), for k2 <= k
    Vec z, b;      // the last data point's residuals and partials
    NormalSums sums;
    double rounding = 0.0;
    ResidualRecords records;
};

// A whole pass: the chunks' sums added in chunk order.
struct PassSums {
    Vec BTB, BTZ, lastZ, lastB;
    NormalSums sums;
    Quad rounding{};
    std::vector<ResidualRecords> records;
};

// The residuals and partials of data point md at p, by the method of
// JPARTIALS, as engine/point_partials.hpp makes them; p is shifted and
// restored for the differences.
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
        // A factor of exactly 1 leaves the partials as they are.
        if (scaled && pr.OFFON != Quad{1.0, 0.0}) {
            for (std::size_t l = 0; l < L; ++l) {
                b[l * static_cast<std::size_t>(K) + k] = b[l * static_cast<std::size_t>(K) + k] * pr.OFFON;
            }
        }
    }
}

// One quantity's block of data points added to the sums of blockSums,
// lane by lane in data-point order: `sums` holds B'z and B'B's triangle
// in the order of their products in `prod`, then the sum of z z, then
// (with records) the records' own sum of z z, from `terms`; `prod` ends
// with z z and (z / wt)^2.
void addBlock(const block::Values* prod, std::size_t products, const std::vector<const block::Values*>& terms,
              const PointBlock& blk, int md, int n, int first, bool records, std::vector<Quad>& sums,
              ChunkSums& part) {
    const block::Values* ratios = &prod[products - 1];
    bool usable = true;
    for (int i = 0; i < n; ++i) {
        const Quad wt = blk.wt[0].get(i);
        const double z = blk.z[0].hi[i];
        part.rounding += std::fabs(z) * (std::fabs(blk.zdata[0].hi[i] * wt.hi) + std::fabs(z));
        usable = usable && wt != Quad{} && isFinite(wt);
        if (records) {
            part.records.track(md + i, md + i == first, 0, blk.z[0].get(i));
        }
    }
    block::addLanes(terms.data(), static_cast<int>(terms.size()), n, sums.data());
    // A weight of 0 or not finite leaves its point out of the unweighted sum.
    if (usable) {
        block::addLanes(&ratios, 1, n, &part.sums.unweighted);
    } else {
        for (int i = 0; i < n; ++i) {
            const Quad wt = blk.wt[0].get(i);
            if (wt != Quad{} && isFinite(wt)) {
                part.sums.unweighted = part.sums.unweighted + ratios->get(i);
            } else {
                part.sums.weightsUsable = false;
            }
        }
    }
}

// A chunk's sums with exact partials, the data points taken a block at a
// time (PointModel::points): the products of every sum formed for the
// block's lanes at once, then added in data-point order, so that each sum
// is bit for bit the one point by point.
void blockSums(const State& s, const PointModel& model, const Vec& at, bool scaled, bool records, int first,
               int last, ChunkSums& part, PointModel::Workspace& w) {
    const int K = s.KPTOT;
    const auto Ks = static_cast<std::size_t>(K);
    const auto Ls = static_cast<std::size_t>(s.LZTOT);
    PointBlock blk;
    blk.size(s.LZTOT, K);
    // Per quantity: b_k z (K), b_k2 b_k (k2 <= k), z z, (z / wt)^2.
    const std::size_t products = Ks + Ks * (Ks + 1) / 2 + 2;
    std::vector<block::Values> prod(Ls * products);
    block::Values ratio;
    Vec scale(Ks);
    for (std::size_t k = 0; k < Ks; ++k) {
        scale[k] = s.PR(static_cast<int>(k) + 1).OFFON;
    }
    // One quantity: the sums of addBlock side by side, and their terms.
    std::vector<Quad> sums(Ls == 1 ? products : 0);
    std::vector<const block::Values*> terms;
    for (std::size_t e = 0; Ls == 1 && e + 1 < products; ++e) {
        terms.push_back(&prod[e]);
    }
    if (Ls == 1 && records) {
        terms.push_back(&prod[products - 2]);
    }
    for (int md = first; md <= last; md += block::kLanes) {
        const int n = std::min(block::kLanes, last - md + 1);
        model.points(s, md, n, at.data(), true, blk, w);
        for (std::size_t l = 0; l < Ls; ++l) {
            block::Values* out = &prod[l * products];
            for (std::size_t k = 0; k < Ks; ++k) {
                block::Values& bk = blk.b[l * Ks + k];
                // A held parameter has no partials; a factor of exactly 1
                // leaves them as they are.
                if (scale[k] == Quad{}) {
                    block::fill(Quad{}, bk, n);
                } else if (scaled && scale[k] != Quad{1.0, 0.0}) {
                    block::mul(bk, scale[k], bk, n);
                }
            }
            for (std::size_t k = 0; k < Ks; ++k) {
                block::mul(blk.b[l * Ks + k], blk.z[l], *out++, n);
                for (std::size_t k2 = 0; k2 <= k; ++k2) {
                    block::mul(blk.b[l * Ks + k2], blk.b[l * Ks + k], *out++, n);
                }
            }
            block::mul(blk.z[l], blk.z[l], *out++, n);
            block::div(blk.z[l], blk.wt[l], ratio, n);
            block::mul(ratio, ratio, *out, n);
        }
        if (Ls == 1) {
            addBlock(prod.data(), products, terms, blk, md, n, first, records, sums, part);
            continue;
        }
        for (int i = 0; i < n; ++i) {
            for (std::size_t l = 0; l < Ls; ++l) {
                const Quad zbase = blk.z[l].get(i);
                const Quad wt = blk.wt[l].get(i);
                part.rounding += std::fabs(zbase.hi) * (std::fabs(blk.zdata[l].hi[i] * wt.hi) + std::fabs(zbase.hi));
                const block::Values* in = &prod[l * products];
                for (std::size_t k = 0; k < Ks; ++k) {
                    part.BTZ[k] = part.BTZ[k] + (in++)->get(i);
                    Quad* column = &part.BTB[Ks * k];
                    for (std::size_t k2 = 0; k2 <= k; ++k2) {
                        column[k2] = column[k2] + (in++)->get(i);
                    }
                }
                const Quad square = (in++)->get(i);
                part.sums.addSquares(square, wt, in->get(i));
                if (records) {
                    part.records.addSquare(md + i, md + i == first, l, zbase, square);
                }
            }
        }
    }
    if (Ls == 1) {
        // The sums back in their places: B'z, the triangle of B'B, the
        // error sums and the records' sum of squares.
        const Quad* from = sums.data();
        for (std::size_t k = 0; k < Ks; ++k) {
            part.BTZ[k] = *from++;
            for (std::size_t k2 = 0; k2 <= k; ++k2) {
                part.BTB[Ks * k + k2] = *from++;
            }
        }
        part.sums.chiSquare = *from++;
        if (records) {
            part.records.squares[0] = *from;
        }
    }
    const int end = (last - first) % block::kLanes;
    part.z.resize(Ls);
    part.b.resize(Ls * Ks);
    for (std::size_t l = 0; l < Ls; ++l) {
        part.z[l] = blk.z[l].get(end);
        for (std::size_t k = 0; k < Ks; ++k) {
            part.b[l * Ks + k] = blk.b[l * Ks + k].get(end);
        }
    }
    if (records) {
        part.records.last = part.z;
    }
}

// The pass at the values `at` (p of every parameter; the differences shift
// them from there), with the records of a fit evaluation when asked.
PassSums normalPass(const State& s, const Vec& at, bool scaled, bool records) {
    const PointModel& model = *s.pointModel;
    const auto Ks = static_cast<std::size_t>(s.KPTOT);
    const auto Ls = static_cast<std::size_t>(s.LZTOT);
    const int chunks = (s.MDTOT + kChunkPoints - 1) / kChunkPoints;
    std::vector<ChunkSums> parts(static_cast<std::size_t>(chunks));
    forEachChunk(s, chunks, [&](int c, PointModel::Workspace& w) {
        ChunkSums& part = parts[static_cast<std::size_t>(c)];
        part.BTZ.assign(Ks, Quad{});
        part.BTB.assign(Ks * Ks, Quad{});
        if (records) {
            part.records.start(Ls);
        }
        const int first = c * kChunkPoints + 1;
        const int last = std::min(s.MDTOT, first + kChunkPoints - 1);
        if (s.JPARTIALS == 1) {
            blockSums(s, model, at, scaled, records, first, last, part, w);
            return;
        }
        Vec p = at, z(Ls), b(Ls * Ks), zdata(Ls), wt(Ls), up(Ls), down(Ls), upHalf(Ls), downHalf(Ls);
        for (int md = first; md <= last; ++md) {
            partialsOf(s, model, md, p, z, b, zdata, wt, up, down, upHalf, downHalf, scaled, w);
            // B'z and the upper triangle of B'B, in data-point order.
            for (std::size_t l = 0; l < Ls; ++l) {
                const Quad zbase = z[l];
                part.rounding += std::fabs(zbase.hi) * (std::fabs(zdata[l].hi * wt[l].hi) + std::fabs(zbase.hi));
                const Quad* row = &b[l * Ks];
                for (std::size_t k = 0; k < Ks; ++k) {
                    const Quad bk = row[k];
                    part.BTZ[k] = part.BTZ[k] + bk * zbase;
                    Quad* column = &part.BTB[Ks * k];
                    for (std::size_t k2 = 0; k2 <= k; ++k2) {
                        column[k2] = column[k2] + row[k2] * bk;
                    }
                }
                part.sums.add(zbase, wt[l]);
            }
            if (records) {
                part.records.add(md, md == first, z.data());
            }
        }
        if (records) {
            part.records.last = z;
        }
        part.z = std::move(z);
        part.b = std::move(b);
    });

    PassSums pass;
    pass.BTZ.assign(Ks, Quad{});
    pass.BTB.assign(Ks * Ks, Quad{});
    double rounding = 0.0;
    for (const ChunkSums& part : parts) {
        for (std::size_t k = 0; k < Ks; ++k) {
            pass.BTZ[k] = pass.BTZ[k] + part.BTZ[k];
            for (std::size_t k2 = 0; k2 <= k; ++k2) {
                pass.BTB[k2 + Ks * k] = pass.BTB[k2 + Ks * k] + part.BTB[k2 + Ks * k];
            }
        }
        pass.sums.chiSquare = pass.sums.chiSquare + part.sums.chiSquare;
        pass.sums.unweighted = pass.sums.unweighted + part.sums.unweighted;
        pass.sums.weightsUsable = pass.sums.weightsUsable && part.sums.weightsUsable;
        rounding += part.rounding;
    }
    // B'B is symmetric: the lower triangle is the upper one.
    for (std::size_t k = 0; k < Ks; ++k) {
        for (std::size_t k2 = k + 1; k2 < Ks; ++k2) {
            pass.BTB[k2 + Ks * k] = pass.BTB[k + Ks * k2];
        }
    }
    pass.rounding = Quad{rounding, 0.0};
    pass.lastZ = std::move(parts.back().z);
    pass.lastB = std::move(parts.back().b);
    if (records) {
        pass.records.reserve(parts.size());
        for (ChunkSums& part : parts) {
            pass.records.push_back(std::move(part.records));
        }
    }
    return pass;
}

bool sameBits(const Vec& a, const Vec& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Quad& x, const Quad& y) {
               return x.hi == y.hi && x.lo == y.lo;
           });
}

Vec valuesOf(const State& s, Quad PREC::*member) {
    Vec v(static_cast<std::size_t>(s.KPTOT));
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        v[static_cast<std::size_t>(kp - 1)] = s.PR(kp).*member;
    }
    return v;
}

// The normal equations formed ahead serve a pass at `base`: the same values
// and factors; for a pass without the factors (the uncertainties) only
// where every factor is 0 or 1, so that scaling changed nothing.
bool aheadServes(const State& s, const Vec& base, bool scaled) {
    const State::NormalEquationsAhead& a = s.normalAhead;
    if (!a.valid || !sameBits(a.at, base) || !sameBits(a.offon, valuesOf(s, &PREC::OFFON))) {
        return false;
    }
    return scaled || std::all_of(a.offon.begin(), a.offon.end(),
                                 [](const Quad& f) { return f == Quad{} || f == Quad{1.0, 0.0}; });
}

}  // namespace

void ResidualRecords::start(std::size_t quantities) {
    squares.assign(quantities, Quad{});
    largest.assign(quantities, Quad{});
    at.assign(quantities, 0);
}

void ResidualRecords::add(int md, bool first, const Quad* z) {
    for (std::size_t l = 0; l < squares.size(); ++l) {
        addSquare(md, first, l, z[l], z[l] * z[l]);
    }
}

void ResidualRecords::addSquare(int md, bool first, std::size_t l, const Quad& z, const Quad& square) {
    squares[l] = squares[l] + square;
    track(md, first, l, z);
}

void ResidualRecords::track(int md, bool first, std::size_t l, const Quad& z) {
    if (first || absLess(largest[l], z)) {
        largest[l] = z;
        at[l] = md;
    }
}

bool evaluatesAhead(const State& s) {
    return s.pointModel && s.JSTEPMULT == 3 && s.JPARTIALS == 1 && s.pointModel->exactPartials() && s.JPD < 5 &&
           s.MDTOT >= 1;
}

std::vector<ResidualRecords> evaluateAhead(State& s) {
    const Vec at = valuesOf(s, &PREC::P);
    PassSums pass = normalPass(s, at, true, true);
    State::NormalEquationsAhead& a = s.normalAhead;
    a.valid = true;
    a.at = at;
    a.offon = valuesOf(s, &PREC::OFFON);
    a.BTB = std::move(pass.BTB);
    a.BTZ = std::move(pass.BTZ);
    a.lastZ = std::move(pass.lastZ);
    a.lastB = std::move(pass.lastB);
    a.chiSquare = pass.sums.chiSquare;
    a.unweighted = pass.sums.unweighted;
    a.weightsUsable = pass.sums.weightsUsable;
    a.rounding = pass.rounding;
    return std::move(pass.records);
}

bool formNormalEquationsInChunks(State& s, bool scaled, NormalSums& sums, Quad& rounding) {
    if (!s.pointModel || (scaled && s.JPD >= 5) || s.MDTOT < 1 ||
        (s.JPARTIALS == 1 && !s.pointModel->exactPartials())) {
        return false;
    }
    const int K = s.KPTOT;
    const auto Ks = static_cast<std::size_t>(K);
    const Vec base = valuesOf(s, &PREC::PBASE);
    if (aheadServes(s, base, scaled)) {
        const State::NormalEquationsAhead& a = s.normalAhead;
        for (int k = 1; k <= K; ++k) {
            s.BTZ(k) = a.BTZ[static_cast<std::size_t>(k - 1)];
            for (int k2 = 1; k2 <= K; ++k2) {
                s.BTB(k2, k) = a.BTB[static_cast<std::size_t>(k2 - 1) + Ks * static_cast<std::size_t>(k - 1)];
            }
        }
        sums.chiSquare = a.chiSquare;
        sums.unweighted = a.unweighted;
        sums.weightsUsable = a.weightsUsable;
        rounding = a.rounding;
        for (int lz = 1; lz <= s.LZTOT; ++lz) {
            s.ZR(lz).ZBASE = a.lastZ[static_cast<std::size_t>(lz - 1)];
            for (int kp = 1; kp <= K; ++kp) {
                s.B(lz, kp) = a.lastB[static_cast<std::size_t>(lz - 1) * Ks + static_cast<std::size_t>(kp - 1)];
            }
        }
    } else {
        countPartialsPass(s);
        s.MD = 0;
        YOUQUORL(s, 2);
        const PassSums pass = normalPass(s, base, scaled, false);
        for (int k = 1; k <= K; ++k) {
            s.BTZ(k) = pass.BTZ[static_cast<std::size_t>(k - 1)];
            for (int k2 = 1; k2 <= K; ++k2) {
                s.BTB(k2, k) = pass.BTB[static_cast<std::size_t>(k2 - 1) + Ks * static_cast<std::size_t>(k - 1)];
            }
        }
        sums = pass.sums;
        rounding = pass.rounding;
        // As the pass of modes 3 and 4 leaves them: the last data point's
        // residuals and partials.
        for (int lz = 1; lz <= s.LZTOT; ++lz) {
            s.ZR(lz).ZBASE = pass.lastZ[static_cast<std::size_t>(lz - 1)];
            for (int kp = 1; kp <= K; ++kp) {
                s.B(lz, kp) = pass.lastB[static_cast<std::size_t>(lz - 1) * Ks + static_cast<std::size_t>(kp - 1)];
            }
        }
    }
    // P = PBASE, and the progress indicator's marks.
    for (int kp = 1; kp <= K; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    if (scaled && s.MDTOT > 1000) {
        beamerWhole(s, s.MDTOT);
    }
    s.MD = s.MDTOT + 1;
    return true;
}

}  // namespace quorl
