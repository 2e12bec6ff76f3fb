#include "io/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "io/stop.hpp"

namespace quorl::io {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr int kCreateAttempts = 64;

// A name in the directory of `path` that nobody can have prepared: the
// final name, a random tag and ".tmp". Created exclusively and never
// through a link; a name that exists already (by chance or planted) is
// passed over for another.
int createExclusive(const std::string& path, std::string& temp, int& error) {
    std::random_device random;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        char tag[24];
        std::snprintf(tag, sizeof tag, ".%08x%04x.tmp", random(), random() & 0xffffu);
        temp = path + tag;
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            return fd;
        }
        error = errno;
        if (error != EEXIST && error != EINTR) {
            return -1;
        }
    }
    return -1;
}

void syncDirectory(const std::string& path) {
    const int fd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // some file systems cannot sync a directory; the rename stands all the same
        ::close(fd);
    }
}

}  // namespace

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

OutputFile::OutputFile(std::string path, std::string temp, int fd, Mode mode, int status)
    : path_(std::move(path)), temp_(std::move(temp)), fd_(fd), mode_(mode), status_(status), committed_(false) {
    buffer_.reserve(kBufferSize);
}

std::unique_ptr<OutputFile> OutputFile::open(const std::string& path, Mode mode, int status) {
    auto failOpen = [&](const std::string& what, int error) {
        stop("cannot write " + path + ": " + what + " (" + std::strerror(error) + ")", status);
    };
    if (mode == Mode::Append) {
        // O_NONBLOCK: a FIFO planted at the name is refused, not waited on.
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0 && errno != ENOENT) {
            failOpen(errno == ELOOP ? "it is a link, which is never written through" : "cannot open it to append",
                     errno);
        }
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
                ::close(fd);
                stop("cannot write " + path + ": it is not a plain file of its own (a hard link, a FIFO, a device)",
                     status);
            }
            ::fcntl(fd, F_SETFL, O_APPEND);  // writes block again, as to any file
            std::unique_ptr<OutputFile> f(new OutputFile(path, path, fd, mode, status));
            f->committed_ = true;
            return f;
        }
        mode = Mode::Fresh;  // nothing to append to: a new file
    }
    std::string temp;
    int error = 0;
    const int fd = createExclusive(path, temp, error);
    if (fd < 0) {
        failOpen("cannot create a file in " + directoryOf(path), error);
    }
    std::unique_ptr<OutputFile> f(new OutputFile(path, temp, fd, mode, status));
    if (mode == Mode::Fresh) {
        f->commit();
    }
    return f;
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_) {
        ::unlink(temp_.c_str());
    }
}

void OutputFile::fail(const std::string& what, int error) const {
    stop("cannot write " + path_ + ": " + what + " (" + std::strerror(error) + ")", status_);
}

void OutputFile::write(std::string_view text) {
    if (buffer_.size() + text.size() > kBufferSize) {
        flush();
    }
    if (text.size() >= kBufferSize) {
        buffer_.assign(text);
        flush();
        return;
    }
    buffer_.append(text);
}

void OutputFile::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        if (fd_ < 0) {
            fail("the file is closed", EBADF);
        }
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            buffer_.clear();
            fail("writing failed", error);
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::overwrite(long long offset, std::string_view text) {
    flush();
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            fail("overwriting its start failed", errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

void OutputFile::finish() {
    if (fd_ < 0) {
        return;
    }
    flush();
    // The data of a file that replaces another must be on the disk before
    // the rename, or a crash of the machine could leave an empty file under
    // the name where the old one was.
    if (mode_ == Mode::Whole && !committed_ && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        fail("syncing it to the disk failed", errno);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        fail("closing it failed", errno);
    }
}

void OutputFile::commit() {
    if (committed_) {
        finish();  // in place already: only its data to hand over
        return;
    }
    if (mode_ == Mode::Whole) {
        finish();
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        fail("cannot put it in place of the old file", errno);
    }
    committed_ = true;
    syncDirectory(path_);
}

}  // namespace quorl::io
