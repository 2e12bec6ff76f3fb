// OutputFile: the one way a file is written. Every output file of a run
// (the parameter and results files, the run summary, the drawing files,
// the viewer page, a unit's default file) goes through it, so that
//
//   - nothing is ever written through a link: a file is created anew,
//     exclusively (O_CREAT | O_EXCL | O_NOFOLLOW), under a name of its own
//     that nobody else can have prepared, in the directory of its final
//     name, and then renamed over that name. A link, or a hard link to a
//     file elsewhere, standing at the final name is replaced, never written
//     through; whatever it pointed at is left alone;
//   - a file written Whole appears under its name complete or not at all:
//     it is renamed only by commit(), after its data reached the disk
//     (fsync). Until then the previous file stays as it was; a file that is
//     never committed is removed when the object goes;
//   - a file written Fresh is renamed over its name at once and written in
//     place (the run summary, which must show every finished iteration even
//     when the run is killed);
//   - Append adds to an existing regular file of one name (no hard link),
//     opened without following a link (and creates it Fresh when it is
//     missing).
//
// Failures stop the run (io::Stop with the status given to open) with a
// message that names the file and gives the system's reason ("No space
// left on device").
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorl::io {

class OutputFile {
public:
    enum class Mode { Whole, Fresh, Append };

    static std::unique_ptr<OutputFile> open(const std::string& path, Mode mode, int status = 1);

    // Removes the temporary file of an uncommitted Whole file.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Buffered; a full buffer goes to the kernel at once.
    void write(std::string_view text);
    // Hands what is buffered to the kernel: it survives the process.
    void flush();
    // Overwrites bytes at an offset of the file, leaving the rest as it is
    // (the count at the head of the point list). Flushes first.
    void overwrite(long long offset, std::string_view text);
    // Flushes, syncs a Whole file to the disk and closes the descriptor.
    void finish();
    // Renames a finished Whole file over its name (a Fresh or Append file
    // is in place already: it is only finished). The directory is synced so that
    // the new name survives a crash of the machine.
    void commit();

    const std::string& path() const { return path_; }
    // Where the data is while the file is written: the temporary file of a
    // Whole file until it is committed, the path itself otherwise.
    const std::string& writtenPath() const { return committed_ ? path_ : temp_; }
    Mode mode() const { return mode_; }
    // The exit status of this file's failures.
    int status() const { return status_; }

private:
    OutputFile(std::string path, std::string temp, int fd, Mode mode, int status);
    [[noreturn]] void fail(const std::string& what, int error) const;

    std::string path_;
    std::string temp_;
    int fd_;
    Mode mode_;
    int status_;
    bool committed_;
    std::string buffer_;
};

// The directory part of `path` ("." when it has none), as the temporary
// files beside it are named.
std::string directoryOf(const std::string& path);

}  // namespace quorl::io
