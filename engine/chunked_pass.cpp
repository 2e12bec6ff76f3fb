#include "engine/chunked_pass.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>


namespace quorl {

int passThreads(const State& s) {
    if (s.JTHREADS > 0) {
        return s.JTHREADS;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

void forEachChunk(const State& s, int chunks, const std::function<void(int, PointModel::Workspace&)>& work) {
    const int threads = std::max(1, std::min(passThreads(s), chunks));
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto run = [&]() {
        try {
            std::unique_ptr<PointModel::Workspace> w = s.pointModel->workspace();
            for (int c = next++; c < chunks; c = next++) {
                work(c, *w);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure) {
                failure = std::current_exception();
            }
            next = chunks;  // the others stop at their next chunk
        }
    };
    std::vector<std::thread> others;
    others.reserve(static_cast<std::size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) {
        others.emplace_back(run);
    }
    run();
    for (std::thread& t : others) {
        t.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace quorl
