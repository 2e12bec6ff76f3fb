// Passes over the data points in chunks over threads, for a model with
// a point model (model/point_model.hpp).
#pragma once

#include <functional>

#include "model/state.hpp"

namespace quorl {

// The number of threads a pass may use: JTHREADS, or every core for 0.
int passThreads(const State& s);

// Runs work(chunk, workspace) for chunk = 0 .. chunks - 1 on up to
// passThreads(s) threads, each with a workspace of the point model; a
// failure in any (a stop) is thrown again once all have ended.
void forEachChunk(const State& s, int chunks, const std::function<void(int, PointModel::Workspace&)>& work);

}  // namespace quorl
