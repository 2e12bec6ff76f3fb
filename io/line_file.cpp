#include "io/line_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace quorl::io {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool LineFile::present(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return true;
    }
    // Something stands there that cannot be looked at (a directory on the
    // way without search permission, a loop of links): it is present.
    return errno != ENOENT && errno != ENOTDIR;
}

std::unique_ptr<LineFile> LineFile::open(const std::string& path, Refusal& why) {
    // O_NONBLOCK: opening a FIFO for reading returns at once instead of
    // waiting for a writer; it is refused below like any other non-file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = errno == ENOENT || errno == ENOTDIR ? Refusal::Missing : Refusal::NoAccess;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = Refusal::NotAFile;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        why = Refusal::NoAccess;
        return nullptr;
    }
    why = Refusal::None;
    return std::unique_ptr<LineFile>(new LineFile(fd));
}

LineFile::~LineFile() { ::close(fd_); }

bool LineFile::fill() {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            offset_ += got;
            return true;
        }
        if (got == 0) {
            return false;
        }
        if (errno != EINTR) {
            throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
        }
    }
}

std::optional<std::string> LineFile::readLine() {
    std::string line;
    bool longLine = false;
    std::size_t scan = begin_;
    for (;;) {
        const void* nl = std::memchr(buffer_.data() + scan, '\n', end_ - scan);
        if (nl != nullptr) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data());
            line.assign(buffer_.data() + begin_, at - begin_);
            begin_ = at + 1;
            break;
        }
        if (begin_ == 0 && end_ == buffer_.size()) {
            longLine = true;
            break;
        }
        // Keep the unfinished line at the front and read more behind it.
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        scan = end_;
        if (!fill()) {
            if (end_ == 0) {
                return std::nullopt;
            }
            line.assign(buffer_.data(), end_);  // the last line has no '\n'
            begin_ = end_ = 0;
            break;
        }
    }
    if (longLine) {
        // Measure the line by running the buffer ahead to its end, then read
        // it whole into a string of its exact length from where it starts.
        const long long start = offset_ - static_cast<long long>(end_);
        std::size_t length = end_;
        for (;;) {
            begin_ = end_ = 0;
            if (!fill()) {
                break;
            }
            const void* nl = std::memchr(buffer_.data(), '\n', end_);
            if (nl != nullptr) {
                const auto at = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data());
                length += at;
                begin_ = at + 1;
                break;
            }
            length += end_;
        }
        line.resize(length);
        std::size_t got = 0;
        while (got < length) {
            const ssize_t n = ::pread(fd_, line.data() + got, length - got, static_cast<off_t>(start + got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
            }
            if (n == 0) {
                break;  // the file was cut short meanwhile
            }
            got += static_cast<std::size_t>(n);
        }
        line.resize(got);
    }
    finishLine(line, first_);
    first_ = false;
    return line;
}

void LineFile::finishLine(std::string& line, bool firstOfFile) {
    if (firstOfFile && line.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
        line.erase(0, kByteOrderMark.size());
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

}  // namespace quorl::io
