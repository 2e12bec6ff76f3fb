// One run per directory. Two runs working in the same directory would
// splice their reports into one Quorl-out.txt and race for
// Quorl-params.txt, so a run holds an advisory lock on a small lock file,
// Quorl-run.lock, from before it writes anything until it has ended.
//
// A second run started there meanwhile stops at once with a message naming
// the process that holds the lock, a non-zero exit status, and no file
// changed. The lock is the kernel's (flock): it goes with the process that
// holds it, however that process ends, so the file a killed run leaves
// behind is recognised as stale and taken over. Where the file system has
// no such locks, the process number written in the file decides: a lock of
// a process that no longer exists is stale.
#pragma once

namespace quorl {

inline constexpr const char* kRunLockFile = "Quorl-run.lock";
// Exit status of a run stopped because another run works in the directory.
inline constexpr int kRunLockedStatus = 10;
// Exit status of a run that cannot work in this directory at all: the lock
// file cannot be made there (a read-only directory or file system, no
// permission, a directory removed) or something other than a plain file of
// its own stands at its name.
inline constexpr int kDirectoryUnusableStatus = 13;

class RunLock {
public:
    RunLock() = default;
    // Releases the lock and removes the lock file, if this run holds it.
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock of the current directory. When another run holds it,
    // stops the run (io::Stop with kRunLockedStatus) having changed
    // nothing; when the lock file cannot be made, with
    // kDirectoryUnusableStatus.
    void acquire();

private:
    int fd_ = -1;
};

}  // namespace quorl
