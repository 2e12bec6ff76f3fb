// One run per directory: a second run stops at once and changes nothing, a
// killed run's lock is taken over, and the lock goes with every end of a
// run. The other run is a child process holding the lock.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "engine/run_lock.hpp"
#include "engine/run_quorl.hpp"
#include "io/stop.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::State;
using quorl::testing::TempDir;

// One parameter, two data points, reports to the run summary file; `fail`
// stops the run in mode 1.
struct Tiny {
    bool fail = false;
    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 1;
            s.LZTOT = 1;
            s.MDTOT = 2;
            s.NXTOT = 1;
            s.JPU = 11;
            s.JPD = 1;
            s.JITERTOT = 5;
            s.JBON = 1;  // the Gauss-Newton step at once: the fit converges
        } else if (mode == 1 && fail) {
            quorl::io::stop("the model cannot run", 1);
        } else if (mode == 4) {
            s.ZR(1).Z = s.PR(1).P - quorl::fromInt(s.MD);
        }
    }
};

struct TinyRun {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    int status;
    explicit TinyRun(Tiny model = {}) { status = quorl::runQuorl(s, model); }
};

std::map<std::string, std::string> filesHere() {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        files[e.path().filename().string()] = TempDir::readFile(e.path().string());
    }
    return files;
}

// A child process that takes the lock and holds it until killed.
pid_t holdLockInAnotherProcess() {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        quorl::RunLock lock;
        lock.acquire();
        const char ok = 'y';
        (void)::write(ready[1], &ok, 1);
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    char ok = 'n';
    (void)::read(ready[0], &ok, 1);
    ::close(ready[0]);
    return ok == 'y' ? pid : -1;
}

TEST(RunLock, ASecondRunStopsAtOnceChangesNothingAndAKilledRunsLockIsTakenOver) {
    TempDir dir;
    ASSERT_EQ(TinyRun().status, 0);  // an earlier run's results are there
    const pid_t other = holdLockInAnotherProcess();
    ASSERT_GT(other, 0);
    const auto before = filesHere();
    ASSERT_EQ(before.count(quorl::kRunLockFile), 1u);

    TinyRun second;
    EXPECT_EQ(second.status, quorl::kRunLockedStatus);
    EXPECT_NE(second.out.str().find("another run (process " + std::to_string(other) + ") is working in this directory"),
              std::string::npos)
        << second.out.str();
    EXPECT_EQ(filesHere(), before);

    // Killed, the other run leaves its lock file behind: stale, taken over.
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    ASSERT_TRUE(TempDir::exists(quorl::kRunLockFile));
    EXPECT_EQ(TinyRun().status, 0);
    EXPECT_FALSE(TempDir::exists(quorl::kRunLockFile));
}

TEST(RunLock, GoesWithEveryEndOfARun) {
    TempDir dir;
    for (const bool fail : {false, true}) {
        TinyRun r(Tiny{fail});
        EXPECT_EQ(r.status == 0, !fail);
        EXPECT_FALSE(TempDir::exists(quorl::kRunLockFile)) << fail;
        quorl::RunLock again;
        EXPECT_NO_THROW(again.acquire()) << fail;
    }
}

}  // namespace
