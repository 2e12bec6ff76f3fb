#include "engine/eval_fit.hpp"

#include <algorithm>
#include <vector>

#include "engine/chunked_normal_equations.hpp"
#include "engine/chunked_pass.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

// The summary: the error measure, each quantity's RMS and the complete data
// point at which its largest residual occurred.
void writeSummary(State& s, const Quad& RSSL, int IP) {
    write(s, IP, "('EvalFit Summary:')");
    FLOATWRITE(RSSL, s.CFLOAT40);
    write(s, IP, "(  'Mdtot=',i7,a40,' SRSS')", s.MDTOT, s.CFLOAT40);
    for (s.LZ = 1; s.LZ <= s.LZTOT; ++s.LZ) {
        ZREC& zr = s.ZR(s.LZ);
        s.MDMAX = zr.MDMAX;
        FLOATWRITE(zr.RMS, s.CFLOAT40);
        write(s, IP, "('  Lz= ',i7,a40,' RMS')", s.LZ, s.CFLOAT40);
        if (s.MDMAX > 0) {
            FLOATWRITE(zr.ZMAX, s.CFLOAT40);
            write(s, IP, "(' @Md= ',i7,a40,' Max(abs)')", s.MDMAX, s.CFLOAT40);
            s.NX = 0;
            write(s, IP, "(i13,f10.0,31x,16a1)", s.NX, s.DATAE(0, s.MDMAX), s.XR(0).XNAME.chars());
            for (s.NX = 1; s.NX <= s.NXTOT; ++s.NX) {
                FLOATWRITE(s.DATAE(s.NX, s.MDMAX), s.CFLOAT40);
                write(s, IP, "(i13,a40,1x,16a1)", s.NX, s.CFLOAT40, s.XR(s.NX).XNAME.chars());
            }
            FLOATWRITE(s.DATAE(s.NXTOT + s.LZ, s.MDMAX), s.CFLOAT40);
            write(s, IP, "(13x,a40,1x,16a1)", s.CFLOAT40, zr.ZNAME.chars());
        }
    }
    write(s, IP, "(49x,'^^^^: exponents, if any.')");
    write(s, IP, "(i13,'  Iterations')", s.JITER);
}

void reducePoints(State& s, const std::vector<Quad>& at);

// The pass over the data through the point model, in chunks over threads:
// each chunk's records in data-point order (with the normal equations
// formed ahead where the damped step will want them), then the chunks in
// order, the earliest winning a tie as in the pass of modes 3 and 4.
void evaluatePoints(State& s) {
    State::LastEvaluation& last = s.lastEvaluation;
    std::vector<Quad> at;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        at.push_back(s.PR(kp).P);
    }
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        at.push_back(s.ZR(lz).WT);
    }
    const bool again = last.valid && last.at.size() == at.size() &&
                       std::equal(at.begin(), at.end(), last.at.begin(),
                                  [](const Quad& a, const Quad& b) { return a.hi == b.hi && a.lo == b.lo; });
    if (!again) {
        ++s.evaluations;
        reducePoints(s, at);
    }
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        ZREC& zr = s.ZR(lz);
        const auto l = static_cast<std::size_t>(lz - 1);
        zr.RMS = last.squares[l];
        zr.ZMAX = last.largest[l];
        zr.MDMAX = last.mdmax[l];
        zr.Z = last.last[l];
    }
    s.MD = s.MDTOT + 1;
    s.LZ = s.LZTOT + 1;
}

void reducePoints(State& s, const std::vector<Quad>& at) {
    std::vector<ResidualRecords> records;
    if (evaluatesAhead(s)) {
        records = evaluateAhead(s);
    } else {
        const auto Ls = static_cast<std::size_t>(s.LZTOT);
        std::vector<Quad> p(static_cast<std::size_t>(s.KPTOT));
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            p[static_cast<std::size_t>(kp - 1)] = s.PR(kp).P;
        }
        const int chunks = (s.MDTOT + kChunkPoints - 1) / kChunkPoints;
        records.resize(static_cast<std::size_t>(chunks));
        const PointModel& model = *s.pointModel;
        forEachChunk(s, chunks, [&](int c, PointModel::Workspace& w) {
            ResidualRecords& r = records[static_cast<std::size_t>(c)];
            r.start(Ls);
            const int first = c * kChunkPoints + 1;
            const int last = std::min(s.MDTOT, first + kChunkPoints - 1);
            PointBlock blk;
            blk.size(s.LZTOT, s.KPTOT);
            std::vector<block::Values> squares(Ls);
            for (int md = first; md <= last; md += block::kLanes) {
                const int n = std::min(block::kLanes, last - md + 1);
                model.points(s, md, n, p.data(), false, blk, w);
                for (std::size_t l = 0; l < Ls; ++l) {
                    block::square(blk.z[l], squares[l], n);
                }
                for (int i = 0; i < n; ++i) {
                    for (std::size_t l = 0; l < Ls; ++l) {
                        r.addSquare(md + i, md + i == first, l, blk.z[l].get(i), squares[l].get(i));
                    }
                }
            }
            r.last.resize(Ls);
            for (std::size_t l = 0; l < Ls; ++l) {
                r.last[l] = blk.z[l].get((last - first) % block::kLanes);
            }
        });
    }
    const auto Ls = static_cast<std::size_t>(s.LZTOT);
    State::LastEvaluation& last = s.lastEvaluation;
    last.valid = false;
    last.squares.assign(Ls, Quad{});
    last.largest.assign(Ls, Quad{});
    last.mdmax.assign(Ls, 0);
    const int chunks = static_cast<int>(records.size());
    for (int c = 0; c < chunks; ++c) {
        const ResidualRecords& r = records[static_cast<std::size_t>(c)];
        for (std::size_t l = 0; l < Ls; ++l) {
            last.squares[l] = last.squares[l] + r.squares[l];
            if (c == 0 || absLess(last.largest[l], r.largest[l])) {
                last.largest[l] = r.largest[l];
                last.mdmax[l] = r.at[l];
            }
        }
    }
    last.last = records.back().last;
    last.at = at;
    last.valid = true;
}

}  // namespace

void EVALFIT(State& s, Quad& RSSL, int IP) {
    if (IP > 5) {
        write(s, IP, "(/'EvalErr:')");
    }
    RSSL = Quad{};
    s.MD = 0;
    YOUQUORL(s, 2);
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        ZREC& zr = s.ZR(lz);
        zr.ZMAX = Quad{};
        zr.MDMAX = 0;
        zr.RMS = Quad{};
    }
    RSSL = Quad{};
    if (IP > 5) {
        write(s, IP, "('Data# Out#',9x,'Error  : results comparison',11x,'dataID')");
    }

    // Sums of squares in data-point order; the largest magnitude found by a
    // strict comparison, so the earliest data point wins a tie (absLess:
    // abs(ZMAX) < abs(Z), without forming either).
    // The range of ZR is checked once here, and again only if the model
    // changes LZTOT during the pass (it cannot reallocate ZR).
    // TEMP, the residual last compared, is set once after the pass (to the
    // same final value): copied per residual, the residual the model has
    // just stored is read as one wide load, which the two narrow stores
    // still in flight cannot serve, so every point waits for them to reach
    // the cache (measured over 10^4 points: 20.1 against 18.0 ns per point).
    int checkedTo = s.LZTOT;
    s.ZR.checkRange(1, checkedTo);
    // A point model spreads the pass over threads, unless the model is to
    // write its lines of every data point (JPD >= 5).
    const bool inChunks = s.pointModel && s.JPD < 5 && s.MDTOT >= 1;
    if (!inChunks) {
        ++s.evaluations;
    }
    if (inChunks) {
        evaluatePoints(s);
    }
    for (s.MD = inChunks ? s.MDTOT + 1 : 1; s.MD <= s.MDTOT; ++s.MD) {
        YOUQUORL(s, 3);
        YOUQUORL(s, 4);
        if (s.LZTOT != checkedTo) [[unlikely]] {
            checkedTo = s.LZTOT;
            s.ZR.checkRange(1, checkedTo);
        }
        for (s.LZ = 1; s.LZ <= s.LZTOT; ++s.LZ) {
            ZREC& zr = s.ZR.atUnchecked(s.LZ);
            zr.RMS = zr.RMS + zr.Z * zr.Z;
            if (s.MD == 1) {
                zr.ZMAX = zr.Z;
                zr.MDMAX = 1;
            }
            if (absLess(zr.ZMAX, zr.Z)) {
                zr.ZMAX = zr.Z;
                zr.MDMAX = s.MD;
            }
        }
    }
    if (s.MDTOT >= 1 && s.LZTOT >= 1) {
        s.evalFit.TEMP = s.ZR(s.LZTOT).Z;
    }

    const Quad count = fromInt(s.MDTOT);
    for (s.LZ = 1; s.LZ <= s.LZTOT; ++s.LZ) {
        ZREC& zr = s.ZR(s.LZ);
        zr.RMS = sqrt(zr.RMS / count);
        RSSL = RSSL + zr.RMS * zr.RMS;
    }
    RSSL = sqrt(RSSL);

    if (IP > 5) {
        writeSummary(s, RSSL, IP);
    }
}

}  // namespace quorl
