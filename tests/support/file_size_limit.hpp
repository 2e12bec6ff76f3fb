// A full disk, made in-process: while the object lives, a write that would
// take any file beyond `bytes` fails with EFBIG ("File too large") instead
// of killing the process (SIGXFSZ ignored).
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace quorl::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

}  // namespace quorl::testing
