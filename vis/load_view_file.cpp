#include "vis/load_view_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/stop.hpp"
#include "vis/view_drawing.hpp"

namespace quorl {

void ViewTextCheck::feed(std::string_view piece) {
    for (const char ch : piece) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            ++line_;
            column_ = 0;
            continue;
        }
        ++column_;
        if (column_ > kViewLineLimit) {
            io::stop(where() + "a line longer than " + std::to_string(kViewLineLimit) +
                     " characters: not a drawing file or point list");
        }
        if ((c < 0x20 && (c < '\t' || c > '\r')) || c == 0x7f) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", c);
            io::stop(where() + "a byte " + code + " that no text holds: a binary file, not a drawing");
        }
    }
}

std::string ViewTextCheck::where() const {
    return name_ + ":" + std::to_string(line_) + ":" + std::to_string(column_) + ": ";
}

std::string loadViewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        io::stop(path + ": cannot open the file (" + std::strerror(errno) + ")");
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        io::stop(path + ": cannot open the file (" + std::strerror(errno) + ")");
    }
    if (!S_ISREG(st.st_mode)) {
        const char* what = S_ISDIR(st.st_mode)    ? "a directory"
                           : S_ISFIFO(st.st_mode) ? "a FIFO"
                           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                                                                         : "not a file";
        io::stop(path + ": not a regular file (" + what + "); a drawing is read from a file");
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    ViewTextCheck check(path);
    std::string text;
    if (st.st_size > 0) {
        text.reserve(static_cast<std::size_t>(st.st_size));
    }
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            io::stop(path + ": read error (" + std::strerror(errno) + ")");
        }
        if (got == 0) {
            return text;
        }
        const std::string_view piece(buffer.data(), static_cast<std::size_t>(got));
        check.feed(piece);
        text += piece;
    }
}

}  // namespace quorl
