// A model's data points evaluated without the shared state of the run, so
// that the engine can spread its passes over the data across threads.
//
// A model that can give the weighted residuals of data point MD from the
// parameter values alone (reading DATAE and its own data, writing nothing
// shared) implements PointModel and sets State::pointModel in mode 1. The
// fit evaluations and the partials passes then call point() for every data
// point instead of modes 3, 4 and 7, in fixed chunks of kChunkPoints
// points on up to JTHREADS threads (0: every core), each thread with its
// own workspace. The sums of each chunk are formed in data-point order and
// the chunks' sums added in chunk order, so a result is the same to the
// last bit whatever the number of threads; with a single chunk (up to
// kChunkPoints points) it is the sum in data-point order itself. At
// JPD >= 5, where the passes write lines of every data point, they keep to
// modes 3, 4 and 7. point() is a function of the values, DATAE, ZR(:).WT
// and data the model does not change during the run: a pass at values and
// weights already evaluated is not made again.
#pragma once

#include <memory>
#include <vector>

#include "quad/quad.hpp"
#include "quad/quad_block.hpp"

namespace quorl {

struct State;

inline constexpr int kChunkPoints = 2048;

// The results of a block of up to block::kLanes data points, lane i for
// data point md + i: the residuals z[l], the partials b[l * KPTOT + k],
// the measured values zdata[l] and the weights wt[l] (index l = LZ - 1,
// k = KP - 1).
struct PointBlock {
    std::vector<block::Values> z, b, zdata, wt;
    // Sized for lztot quantities and kptot parameters.
    void size(int lztot, int kptot);
};

class PointModel {
public:
    struct Workspace {
        virtual ~Workspace() = default;
    };
    virtual ~PointModel() = default;

    // A workspace of one thread (evaluation stacks and the like).
    virtual std::unique_ptr<Workspace> workspace() const = 0;

    // Data point md (1 .. MDTOT) at the parameter values p (KPTOT): the
    // weighted residuals z (LZTOT), bit for bit those of mode 4; when b is
    // given, their exact partials b[(lz - 1) * KPTOT + kp - 1] with the
    // engine's sign (the partial of the modelled value times the weight),
    // bit for bit those of mode 7; when zdata and wt are given, the
    // measured values and the weights (ZR(:).ZDATA and ZR(:).WT of mode 3).
    // Called from several threads at once, each with its own workspace;
    // reads the state, writes nothing of it.
    virtual void point(const State& s, int md, const Quad* p, Quad* z, Quad* b, Quad* zdata, Quad* wt,
                       Workspace& w) const = 0;

    // Data points md .. md + n - 1 (1 <= n <= block::kLanes) at p, with
    // their exact partials when `partials`: lane by lane bit for bit what
    // point() gives, into out (sized by the caller). The lanes from n to
    // the next multiple of block::kGroup are set too (to values the caller
    // does not use). This default calls point() for each; a model that can
    // evaluate many points at once does so faster.
    virtual void points(const State& s, int md, int n, const Quad* p, bool partials, PointBlock& out,
                        Workspace& w) const;

    // Whether point() gives exact partials (b).
    virtual bool exactPartials() const = 0;
};

}  // namespace quorl
