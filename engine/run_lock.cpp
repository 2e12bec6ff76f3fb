#include "engine/run_lock.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "io/stop.hpp"

namespace quorl {

namespace {

// The process number written in the lock file, 0 if there is none.
long holderOf(int fd) {
    char buf[32] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    return n > 0 ? std::strtol(buf, nullptr, 10) : 0;
}

bool processAlive(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

[[noreturn]] void heldBy(long pid) {
    const std::string who = pid > 0 ? "another run (process " + std::to_string(pid) + ")" : "another run";
    io::stop("Quorl: " + who + " is working in this directory (it holds " + std::string(kRunLockFile) +
                 "). This run stops without changing any file; start it again when the other has ended.",
             kRunLockedStatus);
}

[[noreturn]] void cannotWorkHere(const std::string& why) {
    io::stop("Quorl: cannot work in this directory: cannot make the lock file " + std::string(kRunLockFile) +
                 " (" + why + "); the run stops without changing any file.",
             kDirectoryUnusableStatus);
}

// Whether the lock file's name still leads to the file open as fd: a run
// that ends removes its file, and a lock taken on the removed one is none.
bool stillNamed(int fd) {
    struct stat open {}, named {};
    return ::fstat(fd, &open) == 0 && ::stat(kRunLockFile, &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

}  // namespace

void RunLock::acquire() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        // O_NONBLOCK: a FIFO planted at the name is never waited on.
        const int fd = ::open(kRunLockFile, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
        if (fd < 0) {
            cannotWorkHere(errno == ELOOP ? "it is a link" : std::strerror(errno));
        }
        // The file's process number is written into it: never into a file
        // that has other names (a hard link planted there) or is no file.
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
            ::close(fd);
            cannotWorkHere("it is not a plain file of its own (a hard link, a FIFO or a device); remove it");
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK || error == EINTR) {
                const long pid = holderOf(fd);
                ::close(fd);
                heldBy(pid);
            }
            // No kernel locks here: the process number in the file decides.
            const long pid = holderOf(fd);
            if (pid != ::getpid() && processAlive(pid)) {
                ::close(fd);
                heldBy(pid);
            }
        } else if (!stillNamed(fd)) {
            ::close(fd);  // the file was removed by a run that ended meanwhile
            continue;
        }
        fd_ = fd;
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, pid.data(), pid.size(), 0) < 0) {
            // The lock holds all the same; only the message of a second run
            // will lack the process number.
        }
        return;
    }
    heldBy(0);
}

RunLock::~RunLock() {
    if (fd_ < 0) {
        return;
    }
    // Remove the file while still holding the lock, so that a run waiting
    // for it never locks a file that is about to disappear unnoticed.
    if (stillNamed(fd_)) {
        ::unlink(kRunLockFile);
    }
    ::close(fd_);
}

}  // namespace quorl
