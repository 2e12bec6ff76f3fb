// LineFile: the lines of a regular file, read for a unit connected for
// reading.
//
// A line is held once, in a string of exactly its length: a line longer
// than the read buffer is first measured (the buffer runs ahead to its
// end), then read into a string of that size from where it starts. So a
// line of n bytes costs n bytes and the buffer, never the two or three
// copies that growing a string while reading it would make.
//
// Opening never blocks and never reads anything but a regular file: a
// FIFO is opened without waiting for a writer and then refused, like a
// directory or a device. A UTF-8 byte-order mark at the start of the file
// is skipped (some editors write one).
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace quorl::io {

class LineFile {
public:
    // Why a file cannot be read, for the caller's message.
    enum class Refusal { None, Missing, NotAFile, NoAccess };

    // The open file, or nullptr with the reason in `why`.
    static std::unique_ptr<LineFile> open(const std::string& path, Refusal& why);
    // Whether anything stands at `path` (a file, a directory, a FIFO, ...).
    static bool present(const std::string& path);

    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // The next line without its end ("\n" or "\r\n"); nullopt at the end of
    // the file. A failing read (an I/O error) throws std::runtime_error.
    std::optional<std::string> readLine();

    // A line as read up to its '\n' made a record: a byte-order mark at the
    // start of the first line and a '\r' at the end dropped.
    static void finishLine(std::string& line, bool firstOfFile);

private:
    explicit LineFile(int fd) : fd_(fd) {}
    // Refills the buffer from the file; false at the end of the file.
    bool fill();

    int fd_;
    long long offset_ = 0;  // file offset of buffer_[end_]
    std::size_t begin_ = 0, end_ = 0;
    bool first_ = true;
    std::array<char, 65536> buffer_{};
};

}  // namespace quorl::io
