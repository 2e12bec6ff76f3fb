#include "io/units.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace quorl::io {

namespace {

std::string unitName(int unit) { return "unit " + std::to_string(unit); }

std::string describe(int unit, const std::string& path) { return unitName(unit) + " (file '" + path + "')"; }

bool endsLine(std::string_view text) { return text.back() == '\n'; }

}  // namespace

Units::Units(std::istream& in, std::ostream& out) : in_(&in), out_(&out) {}

void Units::flushConnection(Connection& c) { c.out->flush(); }

Units::~Units() {
    try {
        closeAll();
    } catch (...) {
        // A destructor must not throw; a run that cares about a failed final
        // write calls closeAll itself (reportStop does).
    }
}

Units::Units(Units&& other) noexcept
    : in_(other.in_),
      out_(other.out_),
      consoleLineOpen_(std::exchange(other.consoleLineOpen_, false)),
      dialogue_(other.dialogue_),
      files_(std::move(other.files_)),
      defaultFiles_(std::move(other.defaultFiles_)),
      written_(std::move(other.written_)),
      pending_(std::move(other.pending_)),
      beforeRename_(std::move(other.beforeRename_)) {
    other.files_.clear();
}

// ---- connecting ------------------------------------------------------------

void Units::openWrite(int unit, const std::string& path, OpenMode mode) {
    if (unit <= kConsoleOut) {
        stop("cannot connect " + unitName(unit) + " to file '" + path + "': units 0 to 6 are the console's");
    }
    close(unit);
    discard(path);  // a Whole file of that name still waiting is superseded
    const OutputFile::Mode how = mode == OpenMode::Whole    ? OutputFile::Mode::Whole
                                 : mode == OpenMode::Append ? OutputFile::Mode::Append
                                                            : OutputFile::Mode::Fresh;
    std::unique_ptr<OutputFile> out = OutputFile::open(path, how);
    files_[unit] = Connection{path, false, false, std::move(out), nullptr};
    written_.insert(path);
}

void Units::setDefaultFile(int unit, const std::string& path) { defaultFiles_[unit] = path; }

void Units::openRead(int unit, const std::string& path) {
    switch (connectForReading(unit, path)) {
    case LineFile::Refusal::None:
        return;
    case LineFile::Refusal::Missing:
        stop("cannot read file '" + path + "' on " + unitName(unit) + ": it does not exist");
    case LineFile::Refusal::NotAFile:
        stop("cannot read file '" + path + "' on " + unitName(unit) + ": it is not a regular file");
    case LineFile::Refusal::NoAccess:
        break;
    }
    stop("cannot read file '" + path + "' on " + unitName(unit) + ": it cannot be opened for reading");
}

bool Units::tryOpenRead(int unit, const std::string& path) {
    return connectForReading(unit, path) == LineFile::Refusal::None;
}

LineFile::Refusal Units::connectForReading(int unit, const std::string& path) {
    if (unit <= kConsoleOut) {
        stop("cannot connect " + unitName(unit) + " to file '" + path + "': units 0 to 6 are the console's");
    }
    close(unit);
    LineFile::Refusal why = LineFile::Refusal::None;
    auto lines = LineFile::open(path, why);
    if (lines) {
        files_[unit] = Connection{path, true, false, nullptr, std::move(lines)};
    }
    return why;
}

bool Units::exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool Units::present(const std::string& path) { return LineFile::present(path); }

bool Units::isConnected(int unit) const { return files_.count(unit) != 0; }

std::string Units::fileName(int unit) const {
    const auto it = files_.find(unit);
    return it == files_.end() ? std::string() : it->second.path;
}

void Units::closeConnection(Connection& c) {
    if (c.reading) {
        c.lines.reset();
        return;
    }
    if (c.lineOpen) {
        c.out->write("\n");
        c.lineOpen = false;
    }
    c.out->finish();
    if (c.out->mode() == OutputFile::Mode::Whole) {
        pending_[c.path] = std::move(c.out);
    }
}

void Units::endLine(int unit) {
    if (lineOpen(unit)) {
        put(unit, "\n");
    }
}

void Units::close(int unit) {
    if (unit == kConsoleOut) {
        endLine(kConsoleOut);
        return;
    }
    const auto it = files_.find(unit);
    if (it == files_.end()) {
        return;
    }
    // Disconnect before a failure can stop the run, so a unit is never left
    // half closed.
    Connection c = std::move(it->second);
    files_.erase(it);
    closeConnection(c);
}

void Units::closeAll() {
    close(kConsoleOut);
    out_->flush();
    // Whole files still open or waiting were never completed by the run:
    // they are dropped, and the previous files stay.
    for (auto it = files_.begin(); it != files_.end();) {
        if (!it->second.reading && it->second.out->mode() == OutputFile::Mode::Whole) {
            it = files_.erase(it);
        } else {
            ++it;
        }
    }
    pending_.clear();
    // Close every unit even when one fails; report the first failure.
    std::optional<Stop> failure;
    while (!files_.empty()) {
        const int unit = files_.begin()->first;
        try {
            close(unit);
        } catch (const Stop& s) {
            if (!failure) {
                failure = s;
            }
        }
    }
    if (failure) {
        throw *failure;
    }
}

void Units::overwrite(int unit, long long offset, std::string_view text) {
    connection(unit, false).out->overwrite(offset, text);
}

void Units::writeWhole(const std::string& path, std::string_view text, int status) {
    discard(path);
    std::unique_ptr<OutputFile> out = OutputFile::open(path, OutputFile::Mode::Whole, status);
    out->write(text);
    out->finish();
    pending_[path] = std::move(out);
}

void Units::commit(const std::string& path) {
    const auto it = pending_.find(path);
    if (it == pending_.end()) {
        stop("cannot put '" + path + "' in place: it was not written completely");
    }
    // Dropped from the waiting files whether the rename works or not: a
    // failed one removes its temporary file.
    const std::unique_ptr<OutputFile> out = std::move(it->second);
    pending_.erase(it);
    if (beforeRename_) {
        beforeRename_(path);
    }
    out->commit();
}

void Units::commitTogether(std::initializer_list<std::string> paths) {
    for (const std::string& path : paths) {
        struct stat st {};
        if (pending_.count(path) == 0) {
            stop("cannot put '" + path + "' in place: it was not written completely");
        }
        if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            stop("cannot write " + path + ": a directory stands at its name", pending_.at(path)->status());
        }
    }
    for (const std::string& path : paths) {
        commit(path);
    }
}

void Units::discard(const std::string& path) { pending_.erase(path); }

std::string Units::pendingPath(const std::string& path) const {
    const auto it = pending_.find(path);
    return it == pending_.end() ? path : it->second->writtenPath();
}

void Units::flush(int unit) {
    if (unit == kConsoleOut) {
        out_->flush();
        return;
    }
    const auto it = files_.find(unit);
    if (it != files_.end() && !it->second.reading) {
        flushConnection(it->second);
    }
}

void Units::flushAll() {
    out_->flush();
    for (auto& [unit, c] : files_) {
        if (!c.reading) {
            flushConnection(c);
        }
    }
}

// ---- writing ---------------------------------------------------------------

Units::Connection& Units::connectDefault(int unit) {
    const auto named = defaultFiles_.find(unit);
    const std::string path = named != defaultFiles_.end() ? named->second : "fort." + std::to_string(unit);
    openWrite(unit, path, written_.count(path) != 0 ? OpenMode::Append : OpenMode::Replace);
    return files_.at(unit);
}

Units::Connection& Units::connection(int unit, bool forReading) {
    auto it = files_.find(unit);
    if (it == files_.end()) {
        if (forReading) {
            stop("cannot read from " + unitName(unit) + ": it is not connected to a file");
        }
        return connectDefault(unit);
    }
    Connection& c = it->second;
    if (c.reading != forReading) {
        stop(std::string("cannot ") + (forReading ? "read from " : "write to ") + describe(unit, c.path) +
             ": it is open for " + (c.reading ? "reading" : "writing"));
    }
    return c;
}

void Units::writeItems(int unit, std::string_view fmt, std::span<const Item> items) {
    if (isSilent(unit)) {
        return;
    }
    try {
        formatItemsInto(record_, fmt, items);
    } catch (const std::invalid_argument& e) {
        stop("bad format " + std::string(fmt) + " in a write to " + unitName(unit) + ": " + e.what());
    }
    put(unit, record_);
}

void Units::put(int unit, std::string_view text) {
    if (isSilent(unit) || text.empty()) {
        return;
    }
    if (unit == kConsoleOut) {
        out_->write(text.data(), static_cast<std::streamsize>(text.size()));
        // The console is flushed at once so that progress and prompts show
        // while the run works; its lines are few.
        out_->flush();
        consoleLineOpen_ = !endsLine(text);
        return;
    }
    Connection& c = connection(unit, false);
    c.out->write(text);
    c.lineOpen = !endsLine(text);
}

bool Units::lineOpen(int unit) const {
    if (unit == kConsoleOut) {
        return consoleLineOpen_;
    }
    const auto it = files_.find(unit);
    return it != files_.end() && it->second.lineOpen;
}

// ---- reading ---------------------------------------------------------------

std::optional<std::string> Units::readLine(int unit) {
    if (unit == kConsoleOut || (unit != kConsoleIn && isSilent(unit))) {
        stop("cannot read from " + unitName(unit) + ": only unit 5 of the console units reads");
    }
    if (unit != kConsoleIn) {
        Connection& c = connection(unit, true);
        try {
            return c.lines->readLine();
        } catch (const std::runtime_error& e) {
            stop("cannot read " + describe(unit, c.path) + ": " + e.what());
        }
    }
    out_->flush();
    std::string line;
    if (!std::getline(*in_, line)) {
        // No Enter came: a prompt's line stays open for the caller to end.
        return std::nullopt;
    }
    consoleLineOpen_ = false;  // the user's Enter ended the prompt's line
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

int reportStop(Units& units, const Stop& s) {
    try {
        units.endLine(kConsoleOut);
        if (!s.message().empty()) {
            units.put(kConsoleOut, s.message() + "\n");
        }
        units.closeAll();
    } catch (const Stop& failure) {
        // The final writes failed: say so on the console, keep the status
        // (or report a failure where the run meant to end normally).
        units.put(kConsoleOut, failure.message() + "\n");
        return s.status() != 0 ? s.status() : failure.status();
    }
    return s.status();
}

}  // namespace quorl::io
