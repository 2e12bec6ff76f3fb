#include "engine/data_table.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <filesystem>
#include <thread>
#include <cstring>
#include <fstream>
#include <new>
#include <span>
#include <stdexcept>
#include <limits>
#include <memory>
#include <sstream>
#include <string_view>
#include <utility>

#include "engine/chunked_pass.hpp"
#include "engine/user_config.hpp"
#include "io/stop.hpp"
#include "io/table_reader.hpp"
#include "io/table_quick_reader.hpp"
#include "io/table_scan.hpp"

namespace quorl {

namespace {

[[noreturn]] void tableStop(const std::string& file, std::string_view what) {
    io::stop("Quorl: data table " + file + ": " + std::string(what) + ".", io::kDataTableStatus);
}

// A name for a Text<16>: at most 16 bytes, never cut inside a UTF-8
// character (the reports and Quorl-results.json carry it on).
std::string_view nameOf(std::string_view name) {
    constexpr std::size_t kName = 16;
    if (name.size() <= kName) {
        return name;
    }
    std::size_t n = kName;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0U) == 0x80U) {
        --n;
    }
    return name.substr(0, n);
}

// A hash of the values and names of one reading: a second reading that
// gives the same hash read the same table. The words go in turn to four
// independent lanes (a 10^6-row table is some 10^7 words: one chain of
// multiplications would wait on each), folded into one at the end.
struct Fingerprint {
    std::uint64_t h[4] = {14695981039346656037ULL, 1, 2, 3};
    unsigned next = 0;
    // One 64-bit word: multiply, then fold the high bits down, so that
    // every bit of the word reaches every bit of the lane.
    static void mix(std::uint64_t& lane, std::uint64_t w) {
        lane = (lane ^ w) * 0x9E3779B97F4A7C15ULL;
        lane ^= lane >> 29;
    }
    void word(std::uint64_t w) { mix(h[next++ & 3U], w); }
    void add(Quad v) {
        word(std::bit_cast<std::uint64_t>(v.hi));
        word(std::bit_cast<std::uint64_t>(v.lo));
    }
    void add(std::string_view text) {
        word(text.size());
        for (const char c : text) {
            word(static_cast<unsigned char>(c));
        }
    }
    std::uint64_t value() const {
        std::uint64_t v = h[0];
        for (int k = 1; k < 4; ++k) {
            mix(v, h[k]);
        }
        return v;
    }
};

// The column named by `key` (a header name, else a 1-based number).
int resolveColumn(const io::TableReader& table, const std::string& key, const std::string& role) {
    const std::int64_t line = table.firstRowLine();
    if (key.empty()) {
        table.failFile(line, "the " + role + " column has an empty name");
    }
    const std::vector<std::string>& names = table.header();
    int found = 0;
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (names[c] != key) {
            continue;
        }
        if (found != 0) {
            table.failFile(line, "the header names two columns \"" + key + "\" (" + std::to_string(found) + " and " +
                                     std::to_string(c + 1) + "); name the " + role + " column by number");
        }
        found = static_cast<int>(c + 1);
    }
    if (found != 0) {
        return found;
    }
    const bool digits = key.size() <= 9 && key.find_first_not_of("0123456789") == std::string::npos;
    const int number = digits ? std::stoi(key) : 0;
    if (digits && number >= 1 && number <= table.columns()) {
        return number;
    }
    if (digits) {
        table.failFile(line, "no column " + key + " for the " + role + " column: the table has columns 1 to " +
                                 std::to_string(table.columns()));
    }
    if (names.empty()) {
        table.failFile(line, "no column named \"" + key + "\" for the " + role +
                                 " column: the table has no header line (name columns by number, 1 to " +
                                 std::to_string(table.columns()) + ")");
    }
    std::string list;
    for (const std::string& n : names) {
        list += (list.empty() ? "" : ", ") + n;
    }
    table.failFile(line, "no column named \"" + key + "\" for the " + role + " column (the header's names: " + list +
                             ")");
}

struct Column {
    int number = 0;    // in the file
    std::string name;  // for XNAME or ZNAME
};

std::vector<Column> resolveAll(const io::TableReader& table, const std::vector<std::string>& keys, const char* role,
                               const char* prefix) {
    std::vector<Column> out;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        Column c;
        c.number = resolveColumn(table, keys[k], std::string(role) + " " + std::to_string(k + 1));
        c.name = table.header().empty() ? prefix + std::to_string(k + 1)
                                        : table.header()[static_cast<std::size_t>(c.number - 1)];
        out.push_back(std::move(c));
    }
    return out;
}

int nxtotOf(const TableColumns& c) {
    const int n = static_cast<int>(c.x.size() + c.sigma.size());
    return n < 1 ? 1 : n;
}

// The columns a reading takes, in the order of DATAE's rows.
struct RowLayout {
    std::vector<Column> x, sigma, y;
    Column id;
    int nxtot = 1;
};

using RowCheck = std::function<std::string(const std::vector<Quad>&)>;

// Reads the rows of `table` into DATAE columns first + 1, first + 2, ...
// (at most `room` of them: one more stops the reading with "a data row
// beyond the <room> <beyond>"), checking each with `check` when given.
// Returns the number of rows read.
std::int64_t readRows(io::TableReader& table, const RowLayout& L, Array2<Quad>& datae, std::int64_t first,
                      std::int64_t room, const std::string& beyond, const RowCheck* check) {
    const int nx = static_cast<int>(L.x.size());
    const int ns = static_cast<int>(L.sigma.size());
    std::vector<Quad> row(static_cast<std::size_t>(L.nxtot + static_cast<int>(L.y.size()) + 1));
    std::int64_t rows = 0;
    while (table.next()) {
        ++rows;
        if (rows > room) {
            table.fail(0, "a data row beyond the " + std::to_string(room) + " " + beyond);
        }
        const int md = static_cast<int>(first + rows);
        const Quad idValue = L.id.number != 0 ? table.number(L.id.number) : fromInt(md);
        row[0] = idValue;
        const std::span<Quad> target = datae.column(md);
        target[0] = idValue;
        if (nx + ns == 0) {
            target[1] = Quad{};
        }
        auto take = [&](const Column& c, int at) {
            const Quad v = table.number(c.number);
            row[static_cast<std::size_t>(at)] = v;
            target[static_cast<std::size_t>(at)] = v;
            return v;
        };
        for (int k = 1; k <= nx; ++k) {
            take(L.x[static_cast<std::size_t>(k - 1)], k);
        }
        for (int k = 1; k <= ns; ++k) {
            const Column& c = L.sigma[static_cast<std::size_t>(k - 1)];
            if (!(take(c, nx + k) > Quad{})) {
                table.fail(c.number, "the standard error \"" + std::string(table.field(c.number)) +
                                         "\" is not positive (the weight is 1/sigma)");
            }
        }
        for (int l = 1; l <= static_cast<int>(L.y.size()); ++l) {
            take(L.y[static_cast<std::size_t>(l - 1)], L.nxtot + l);
        }
        if (check != nullptr && *check) {
            if (const std::string fault = (*check)(row); !fault.empty()) {
                table.fail(0, fault);
            }
        }
    }
    return rows;
}

// Into how many parts to cut a table for reading: the threads take the
// parts in turn, so that they finish together and the check of the rows
// (in file order, on this thread) follows close behind the reading. Parts
// of about 512 KiB, at most 256.
int readingParts(const std::string& file) {
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(file, ec);
    return ec ? 1 : static_cast<int>(std::clamp<std::uint64_t>(size >> 19, 1, 256));
}

// Reads the data rows of the parts of the table that `scan` cut, quickly
// (io::QuickTableReader), the parts taken in turn by `threads` threads, into
// the DATAE columns the rows before each part leave for it; this thread
// checks every row with `check` in file order as the parts come in. Returns
// the number of rows, or -1 when the quick reader gives up on a part, a
// part holds another number of rows than the scan counted, or a row fails
// its check: the table is then read again by one checked reader, which
// finds the first fault with its line.
std::int64_t readInParts(const io::TableReader& first, const io::TableScan& scan, const RowLayout& L,
                         Array2<Quad>& datae, const RowCheck& check, int threads) {
    const std::size_t parts = scan.cuts.size() + 1;
    std::vector<std::int64_t> before(parts, 0), count(parts, 0);
    const std::int64_t header = first.header().empty() ? 0 : 1;
    for (std::size_t k = 0; k < parts; ++k) {
        before[k] = k == 0 ? 0 : scan.rowLinesBefore[k - 1] - header;
        count[k] = (k + 1 < parts ? scan.rowLinesBefore[k] : scan.rowLines) - header - before[k];
        if (count[k] < 0) {
            return -1;  // the first row lies beyond the first part
        }
    }
    const std::int64_t rows = before.back() + count.back();
    if (rows == 0) {
        return -1;
    }
    // The columns read, in the order of DATAE's rows 1 .., then the id.
    std::vector<int> wanted;
    for (const std::vector<Column>* group : {&L.x, &L.sigma, &L.y}) {
        for (const Column& c : *group) {
            wanted.push_back(c.number);
        }
    }
    const std::size_t nxs = L.x.size() + L.sigma.size();
    if (L.id.number != 0) {
        wanted.push_back(L.id.number);
    }
    // Part k's state: 0 not read yet, 1 read, 2 given up (or not read
    // because another part was).
    std::vector<std::atomic<int>> state(parts);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto readPart = [&](io::QuickTableReader& reader, std::size_t k) {
        reader.start(k == 0 ? 0 : scan.cuts[k - 1], k + 1 < parts ? scan.cuts[k] : UINT64_MAX,
                     k == 0 ? first.firstRowLine() - 1 + header : 0);
        std::vector<Quad> v(wanted.size());
        std::int64_t n = 0;
        while (reader.next(v.data())) {
            if (++n > count[k]) {
                return false;
            }
            const int md = static_cast<int>(before[k] + n);
            const std::span<Quad> target = datae.column(md);
            target[0] = L.id.number != 0 ? v.back() : fromInt(md);
            for (std::size_t j = 0; j < nxs; ++j) {
                target[1 + j] = v[j];
            }
            for (std::size_t j = L.x.size(); j < nxs; ++j) {
                if (!(v[j] > Quad{})) {
                    return false;  // a standard error that is not positive
                }
            }
            for (std::size_t l = 0; l < L.y.size(); ++l) {
                target[static_cast<std::size_t>(L.nxtot) + 1 + l] = v[nxs + l];
            }
        }
        return !reader.gaveUp() && n == count[k];
    };
    // Takes the next part not yet taken and reads it; false when none is left.
    auto takePart = [&](io::QuickTableReader& reader) {
        const std::size_t k = next.fetch_add(1);
        if (k >= parts) {
            return false;
        }
        bool read = false;
        if (!failed.load()) {
            try {
                read = readPart(reader, k);
            } catch (const std::exception&) {
                read = false;
            }
        }
        if (!read) {
            failed.store(true);
        }
        state[k].store(read ? 1 : 2);
        state[k].notify_all();
        return true;
    };
    std::vector<io::QuickTableReader> readers;
    try {
        for (int t = 0; t < threads && static_cast<std::size_t>(t) < parts; ++t) {
            readers.emplace_back(first.file(), first.columns(), wanted);
        }
    } catch (const std::exception&) {
        return -1;
    }
    {
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < readers.size(); ++t) {
            helpers.emplace_back([&, t] {
                while (takePart(readers[t])) {
                }
            });
        }
        io::QuickTableReader& reader = readers[0];
        std::vector<Quad> row(static_cast<std::size_t>(L.nxtot) + L.y.size() + 1);
        for (std::size_t k = 0; k < parts && !failed.load();) {
            const int st = state[k].load();
            if (st == 0) {
                // Read a part while the next one to check is being read; wait
                // for it when every part is taken.
                if (!takePart(reader)) {
                    state[k].wait(0);
                }
                continue;
            }
            if (st == 2) {
                break;
            }
            if (check) {
                for (std::int64_t md = before[k] + 1; md <= before[k] + count[k]; ++md) {
                    const std::span<const Quad> c = datae.column(static_cast<int>(md));
                    row[0] = c[0];
                    for (std::size_t j = 1; j <= nxs; ++j) {
                        row[j] = c[j];
                    }
                    for (std::size_t l = 1; l <= L.y.size(); ++l) {
                        row[static_cast<std::size_t>(L.nxtot) + l] = c[static_cast<std::size_t>(L.nxtot) + l];
                    }
                    bool fault = true;
                    try {
                        fault = !check(row).empty();
                    } catch (...) {
                        failed.store(true);  // the helpers stop; then the run stops
                        throw;
                    }
                    if (fault) {
                        failed.store(true);
                        break;
                    }
                }
            }
            ++k;
        }
        // Let the helpers stop: every part not yet taken is marked unread.
        if (failed.load()) {
            while (takePart(reader)) {
            }
        }
    }
    return failed.load() ? -1 : rows;
}

}  // namespace

DataTable::DataTable(std::string file, TableColumns columns) : file_(std::move(file)), columns_(std::move(columns)) {}

DataTable::DataTable(TableColumns columns) : fromUserFile_(true), columns_(std::move(columns)) {}

void DataTable::declare(State& s) {
    if (fromUserFile_) {
        const Text<60> configured = configuredUserFile(s);
        std::string_view name = configured.trimmed();
        name.remove_prefix(std::min(name.size(), name.find_first_not_of(' ')));
        file_ = std::string(name);
        if (file_.empty()) {
            io::stop("Quorl: data table: no file named: CJUSERFILE is blank (set it in mode 0, or in Quorl-user.nml).",
                     io::kDataTableStatus);
        }
    }
    if (file_.empty()) {
        io::stop("Quorl: data table: no file named.", io::kDataTableStatus);
    }
    if (columns_.y.empty()) {
        tableStop(file_, "no y column given: a table needs at least one measured value per row");
    }
    if (!columns_.sigma.empty() && columns_.sigma.size() != columns_.y.size()) {
        tableStop(file_, std::to_string(columns_.sigma.size()) + " sigma columns for " +
                             std::to_string(columns_.y.size()) + " y columns: give one sigma per y, or none");
    }
    declared_ = false;
    rows_ = readAll(s, Reading::Declare, fingerprint_);
    declared_ = true;
    s.MDTOT = static_cast<std::int32_t>(rows_);
    s.LZTOT = static_cast<std::int32_t>(columns_.y.size());
    s.NXTOT = nxtotOf(columns_);
}

void DataTable::load(State& s) {
    if (!declared_) {
        io::stop("Quorl: data table " + file_ +
                     ": load (mode 1) before declare (mode 0) on this DataTable; keep one DataTable in the model "
                     "for the whole run.",
                 io::kDataTableStatus);
    }
    const int nxtot = nxtotOf(columns_);
    const int lztot = static_cast<int>(columns_.y.size());
    const bool allocated = !s.DATAE.empty() && s.DATAE.upper(1) == nxtot + lztot && s.DATAE.upper(2) == rows_;
    if (s.MDTOT != rows_ || s.LZTOT != lztot || s.NXTOT != nxtot || !allocated) {
        tableStop(file_, "the sizes MDTOT = " + std::to_string(s.MDTOT) + ", LZTOT = " + std::to_string(s.LZTOT) +
                             ", NXTOT = " + std::to_string(s.NXTOT) + " are not those declare set (" +
                             std::to_string(rows_) + ", " + std::to_string(lztot) + ", " + std::to_string(nxtot) +
                             ") or DATAE is not allocated with them");
    }
    nameColumns(s);
    // DATAE holds the table as declare() read it unless the model made it
    // anew since (QUORLALLOCATEALL keeps an array of the right bounds): then
    // the file is read again, and must not have changed.
    if (fingerprintOf(s, names_, rows_) == fingerprint_) {
        return;
    }
    std::uint64_t fingerprint = 0;
    readAll(s, Reading::Load, fingerprint);
    if (fingerprint != fingerprint_) {
        tableStop(file_, "its values or names differ from those read in mode 0, when the sizes were taken: the file "
                         "changed during the run");
    }
}

void DataTable::point(State& s) const {
    const int md = s.MD;
    for (int i = 0; i <= s.NXTOT; ++i) {
        s.XR(i).XDATA = s.DATAE(i, md);
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        s.ZR(l).ZDATA = s.DATAE(s.NXTOT + l, md);
    }
    const int nx = static_cast<int>(columns_.x.size());
    const int ns = static_cast<int>(columns_.sigma.size());
    for (int l = 1; l <= ns; ++l) {
        s.ZR(l).WT = fromInt(1) / s.DATAE(nx + l, md);
    }
}

std::int64_t DataTable::lineOfRow(const std::string& file, int md) {
    io::TableReader table(file);
    while (table.next()) {
        if (table.rows() == md) {
            return table.line();
        }
    }
    return 0;
}

void DataTable::nameColumns(State& s) const {
    for (int k = 0; k < static_cast<int>(xNames_.size()); ++k) {
        s.XR(k).XNAME = nameOf(xNames_[static_cast<std::size_t>(k)]);
    }
    for (int l = 1; l <= static_cast<int>(yNames_.size()); ++l) {
        s.ZR(l).ZNAME = nameOf(yNames_[static_cast<std::size_t>(l - 1)]);
    }
}

std::uint64_t DataTable::fingerprintOf(const State& s, const std::vector<std::string>& names,
                                       std::int64_t rows) const {
    const int nxs = static_cast<int>(columns_.x.size() + columns_.sigma.size());
    const int nxtot = nxtotOf(columns_);
    const int ny = static_cast<int>(columns_.y.size());
    if (s.DATAE.empty() || s.DATAE.lower(1) != 0 || s.DATAE.upper(1) != nxtot + ny || s.DATAE.lower(2) != 1 ||
        s.DATAE.upper(2) != rows) {
        return ~fingerprint_;
    }
    Fingerprint fp;
    for (const std::string& name : names) {
        fp.add(name);
    }
    for (int md = 1; md <= rows; ++md) {
        const std::span<const Quad> c = s.DATAE.column(md);
        fp.add(c[0]);
        for (int k = 1; k <= nxs; ++k) {
            fp.add(c[static_cast<std::size_t>(k)]);
        }
        for (int l = 1; l <= ny; ++l) {
            fp.add(c[static_cast<std::size_t>(nxtot + l)]);
        }
    }
    return fp.value();
}

std::int64_t DataTable::readAll(State& s, Reading how, std::uint64_t& fingerprint) {
    const bool declaring = how == Reading::Declare;
    io::TableReader table(file_);
    if (table.columns() == 0) {
        table.failFile(0, "no data rows (the file is empty, or holds only blank and comment lines)");
    }
    // The columns in the order of DATAE's rows 1.. : x, sigma, then y.
    RowLayout L;
    L.x = resolveAll(table, columns_.x, "x", "x");
    L.sigma = resolveAll(table, columns_.sigma, "sigma", "s");
    L.y = resolveAll(table, columns_.y, "y", "y");
    L.id = Column{0, "id"};
    if (!columns_.id.empty()) {
        L.id.number = resolveColumn(table, columns_.id, "id");
        if (!table.header().empty()) {
            L.id.name = table.header()[static_cast<std::size_t>(L.id.number - 1)];
        }
    }
    L.nxtot = nxtotOf(columns_);
    std::vector<std::string> names;
    for (const std::vector<Column>* group : {&L.x, &L.sigma, &L.y}) {
        for (const Column& c : *group) {
            names.push_back(c.name);
        }
    }
    names.push_back(L.id.name);

    // Declaring, the values go straight into DATAE, sized by a scan that
    // counts the lines that can be rows (QUORLALLOCATEALL keeps it): one
    // reading of the table for the whole run, and no copy of it beside
    // DATAE. A large table is read in parts at once, one a thread.
    std::int64_t room = rows_;
    io::TableScan scan;
    if (declaring) {
        names_ = names;
        xNames_.assign(1, L.id.name);
        for (const std::vector<Column>* group : {&L.x, &L.sigma}) {
            for (const Column& c : *group) {
                xNames_.push_back(c.name);
            }
        }
        if (L.x.size() + L.sigma.size() == 0) {
            xNames_.emplace_back();
        }
        yNames_.clear();
        for (const Column& c : L.y) {
            yNames_.push_back(c.name);
        }
        scan = io::scanTable(file_, readingParts(file_), passThreads(s));
        room = std::min<std::int64_t>(scan.rowLines, std::numeric_limits<std::int32_t>::max());
        try {
            s.DATAE.allocate(0, L.nxtot + static_cast<int>(L.y.size()), 1,
                             static_cast<int>(std::max<std::int64_t>(room, 1)));
        } catch (const std::bad_alloc&) {
            table.failFile(0, "no memory for its " + std::to_string(room) + " rows");
        } catch (const std::length_error&) {
            table.failFile(0, "no memory for its " + std::to_string(room) + " rows");
        }
    }

    std::int64_t rows = declaring ? readInParts(table, scan, L, s.DATAE, check_, passThreads(s)) : -1;
    if (rows < 0) {
        // One reader, row by row: also the reading that finds the first
        // fault of a table read in parts, with its line.
        const std::string beyond =
            declaring ? "lines counted before: the file changed while it was read"
                      : "counted in mode 0, when the sizes were taken: the file changed during the run";
        rows = readRows(table, L, s.DATAE, 0, room, beyond, declaring ? &check_ : nullptr);
    }
    if (rows == 0) {
        table.failFile(0, "no data rows (" + std::to_string(table.line()) + " lines, none of them a data row)");
    }
    if (declaring) {
        s.DATAE.truncateLast(static_cast<int>(rows));
    } else if (rows < rows_) {
        table.failFile(0, "the file ends after " + std::to_string(rows) + " data rows, where mode 0 counted " +
                              std::to_string(rows_) + ": the file changed during the run");
    }
    fingerprint = fingerprintOf(s, names, rows);
    return rows;
}

}  // namespace quorl
