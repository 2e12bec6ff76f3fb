// Units: where formatted records go and where input lines come from.
//
// A unit number is one of
//   - the console: unit 6 writes to the output stream, unit 5 reads from the
//     input stream (both given to the constructor; std::cout and std::cin by
//     default, string streams in a test that scripts a whole run);
//   - a file connected by name, either for writing (replacing or appending)
//     or for reading an existing file;
//   - silent: a write to unit 0, to a negative unit or to units 1 to 5
//     writes nothing (the engine passes such a unit to switch a report off).
//     Nothing is formatted for a silent unit either.
//
// Unconnected units: a write to a unit above 6 that is not connected
// connects it first to its default file: the one given with
// setDefaultFile, or else "fort.N" (N the unit number) in the current
// directory, as a Fortran program does. The first such connection replaces
// an earlier file of that name; a file this Units has already written in
// the run is appended to instead, so a write after a close never destroys
// what the run wrote before. Reading from a unit that is not connected for
// reading stops the run. (The policy lives in Units::connectDefault.)
//
// Open lines: every unit knows whether its current line was left open (the
// last text put on it did not end in '\n', e.g. a format with a trailing
// backslash). The next write simply continues that line. Closing a unit
// with an open line, closeAll at the end of the run, ends it with '\n'.
// Reading a line from unit 5 while the console's line is open closes that
// line without writing anything: the user's Enter ended it.
//
// Writing files: every file goes through io::OutputFile (never through a
// link, created anew). A unit opened Replace (the default) replaces the
// file of that name at once and writes it in place; one opened Whole
// writes a temporary file that takes the name only when commit(path) is
// called after the unit is closed, so that files that belong together are
// all complete before any of them is renamed. Ready texts can be written
// the same way with writeWhole. Whole files not committed when the run
// ends (closeAll, or the destructor) are removed: the previous files stay.
//
// Failures (a file that cannot be opened or written, reading from a unit
// connected for writing, a malformed format text) stop the run with a
// message that names the file (or the unit) and the system's reason.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <fstream>
#include <functional>
#include <iosfwd>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "io/format.hpp"
#include "io/line_file.hpp"
#include "io/output_file.hpp"
#include "io/stop.hpp"

namespace quorl::io {

inline constexpr int kConsoleIn = 5;
inline constexpr int kConsoleOut = 6;

enum class OpenMode { Replace, Append, Whole };

class Units {
public:
    explicit Units(std::istream& in = std::cin, std::ostream& out = std::cout);
    ~Units();  // closeAll, swallowing any failure
    Units(const Units&) = delete;
    Units& operator=(const Units&) = delete;
    Units(Units&&) noexcept;
    Units& operator=(Units&&) = delete;

    // ---- connecting --------------------------------------------------------
    // Units 0 to 6 are the console's and cannot be connected to a file; a
    // unit already connected is closed first.
    void openWrite(int unit, const std::string& path, OpenMode mode = OpenMode::Replace);
    // The file must exist and be readable; otherwise the run stops.
    void openRead(int unit, const std::string& path);
    // Connects the unit for reading when the file can be read; false, the
    // unit left unconnected, when it cannot: missing, no permission, not a
    // regular file (a directory, a FIFO, a device). Never blocks.
    bool tryOpenRead(int unit, const std::string& path);
    // Whether a regular file stands at `path`.
    static bool exists(const std::string& path);
    // Whether anything stands at `path`: a file, readable or not, a
    // directory, a FIFO, ...
    static bool present(const std::string& path);
    // The file an unconnected unit is connected to on its first write.
    void setDefaultFile(int unit, const std::string& path);
    bool isConnected(int unit) const;
    // The file name of a connected unit, empty otherwise.
    std::string fileName(int unit) const;
    // Ends an open line, flushes and disconnects; nothing for an unconnected
    // or console unit other than ending an open console line. A file opened
    // Whole is then complete and waits for commit.
    void close(int unit);
    // Overwrites bytes at an offset of the file being written on the unit.
    void overwrite(int unit, long long offset, std::string_view text);

    // ---- files replaced as a whole ------------------------------------------
    // Writes `text` as the new file `path`, complete but not yet in place;
    // failures stop with `status`.
    void writeWhole(const std::string& path, std::string_view text, int status);
    // Puts a complete Whole file in place of the old one.
    void commit(const std::string& path);
    // Puts complete Whole files in place together, in the order given. What
    // would make a rename fail (a file not written, a directory at a name)
    // is looked for first, so that such a failure renames none of them.
    void commitTogether(std::initializer_list<std::string> paths);
    // Drops a Whole file that has not been committed; nothing when none.
    void discard(const std::string& path);
    // Where the data of a complete Whole file waiting for commit can be
    // read; `path` itself when none waits.
    std::string pendingPath(const std::string& path) const;
    // Called with the name before each rename of a Whole file: where a test
    // stops the process to see what a run killed at that moment leaves.
    void setBeforeRename(std::function<void(const std::string&)> hook) { beforeRename_ = std::move(hook); }
    // Ends the unit's line with '\n' if it is open; nothing otherwise.
    void endLine(int unit);
    // Closes every file unit and ends an open console line: the end of a run.
    void closeAll();
    void flush(int unit);
    void flushAll();

    // ---- writing -----------------------------------------------------------
    // Puts io::format(fmt, items...) on the unit.
    template <class... Items>
    void write(int unit, std::string_view fmt, const Items&... items) {
        if (isSilent(unit)) {
            return;
        }
        if constexpr (sizeof...(Items) == 0) {
            writeItems(unit, fmt, {});
        } else {
            const Item list[] = {detail::toItem(items)...};
            writeItems(unit, fmt, list);
        }
    }
    void writeItems(int unit, std::string_view fmt, std::span<const Item> items);
    // Puts ready text on the unit, records separated by '\n'.
    void put(int unit, std::string_view text);
    // Whether the unit's current line was left open.
    bool lineOpen(int unit) const;
    static bool isSilent(int unit) { return unit <= kConsoleIn; }

    // ---- reading -----------------------------------------------------------
    // The next line of unit 5 or of a unit connected for reading, without
    // its line end ("\n" or "\r\n"); nullopt at the end of input. A file's
    // line is held once, in a string of its exact length, and a byte-order
    // mark at the start of a file is skipped (see io/line_file.hpp). A read
    // error of a file stops the run.
    std::optional<std::string> readLine(int unit);

    // ---- the console dialogue ----------------------------------------------
    // On (the default), a pause waits for a line on unit 5 and the driver
    // asks its questions there. A command-line program turns it off so that
    // it never waits at the console: pauses then only show their text.
    void setDialogue(bool on) { dialogue_ = on; }
    bool dialogue() const { return dialogue_; }

private:
    // The text of the record being written, kept from one write to the next
    // so that a long run of records allocates nothing.
    std::string record_;

    struct Connection {
        std::string path;
        bool reading = false;
        bool lineOpen = false;
        std::unique_ptr<OutputFile> out;       // a file being written
        std::unique_ptr<LineFile> lines;       // a file being read
    };

    Connection& connectDefault(int unit);
    LineFile::Refusal connectForReading(int unit, const std::string& path);
    Connection& connection(int unit, bool forReading);
    void closeConnection(Connection& c);
    void flushConnection(Connection& c);

    std::istream* in_;
    std::ostream* out_;
    bool consoleLineOpen_ = false;
    bool dialogue_ = true;
    std::map<int, Connection> files_;
    std::map<int, std::string> defaultFiles_;
    std::set<std::string> written_;  // every file opened for writing so far
    std::map<std::string, std::unique_ptr<OutputFile>> pending_;  // complete, not yet committed
    std::function<void(const std::string&)> beforeRename_;
};

// The end of a run that stopped: ends open lines, shows the stop's message
// (if any) on the console as one line, closes every unit and returns the
// exit status. main's handler:
//   catch (const io::Stop& s) { return io::reportStop(units, s); }
int reportStop(Units& units, const Stop& s);

}  // namespace quorl::io
