#include "engine/data_table.hpp"

#include <bit>
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

#include "engine/user_config.hpp"
#include "io/stop.hpp"
#include "io/table_reader.hpp"

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

// FNV-1a over the values and names of one reading: a second reading that
// gives the same hash read the same table.
struct Fingerprint {
    std::uint64_t h = 14695981039346656037ULL;
    // One 64-bit word: multiply, then fold the high bits down, so that
    // every bit of the word reaches every bit of the hash.
    void word(std::uint64_t w) {
        h = (h ^ w) * 0x9E3779B97F4A7C15ULL;
        h ^= h >> 29;
    }
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

// The lines of the table's file that can be rows: neither blank nor a
// comment (the reader's own rules), an upper bound of the data rows that
// costs a scan of the bytes and no parsing. A file that cannot be read here
// counts 0; its reading then stops at its first row.
std::int64_t countRowLines(const io::TableReader& table) {
    std::ifstream in(table.file(), std::ios::binary);
    std::vector<char> block(std::size_t{1} << 20);
    std::int64_t count = 0;
    bool atStart = true;  // within the blanks that begin a line
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const char* p = block.data();
        const char* const end = p + in.gcount();
        while (p < end) {
            if (!atStart) {
                p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
                if (p == nullptr) {
                    break;
                }
                ++p;
                atStart = true;
                continue;
            }
            const char c = *p++;
            if (c == '\n') {
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
                continue;
            }
            count += c == '#' ? 0 : 1;
            atStart = false;
        }
    }
    return count;
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
    if (fingerprintOfDatae(s) == fingerprint_) {
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

std::uint64_t DataTable::fingerprintOfDatae(const State& s) const {
    const int nxs = static_cast<int>(columns_.x.size() + columns_.sigma.size());
    const int nxtot = nxtotOf(columns_);
    const int ny = static_cast<int>(columns_.y.size());
    if (s.DATAE.empty() || s.DATAE.lower(1) != 0 || s.DATAE.upper(1) != nxtot + ny || s.DATAE.lower(2) != 1 ||
        s.DATAE.upper(2) != rows_) {
        return ~fingerprint_;
    }
    Fingerprint fp;
    for (const std::string& name : names_) {
        fp.add(name);
    }
    for (int md = 1; md <= rows_; ++md) {
        const std::span<const Quad> c = s.DATAE.column(md);
        fp.add(c[0]);
        for (int k = 1; k <= nxs; ++k) {
            fp.add(c[static_cast<std::size_t>(k)]);
        }
        for (int l = 1; l <= ny; ++l) {
            fp.add(c[static_cast<std::size_t>(nxtot + l)]);
        }
    }
    return fp.h;
}

std::int64_t DataTable::readAll(State& s, Reading how, std::uint64_t& fingerprint) {
    const bool declaring = how == Reading::Declare;
    io::TableReader table(file_);
    if (table.columns() == 0) {
        table.failFile(0, "no data rows (the file is empty, or holds only blank and comment lines)");
    }
    // The columns in the order of DATAE's rows 1.. : x, sigma, then y.
    const std::vector<Column> x = resolveAll(table, columns_.x, "x", "x");
    const std::vector<Column> sigma = resolveAll(table, columns_.sigma, "sigma", "s");
    const std::vector<Column> y = resolveAll(table, columns_.y, "y", "y");
    Column id{0, "id"};
    if (!columns_.id.empty()) {
        id.number = resolveColumn(table, columns_.id, "id");
        if (!table.header().empty()) {
            id.name = table.header()[static_cast<std::size_t>(id.number - 1)];
        }
    }
    Fingerprint fp;
    std::vector<std::string> names;
    for (const std::vector<Column>* group : {&x, &sigma, &y}) {
        for (const Column& c : *group) {
            names.push_back(c.name);
        }
    }
    names.push_back(id.name);
    for (const std::string& name : names) {
        fp.add(name);
    }

    const int nx = static_cast<int>(x.size());
    const int ns = static_cast<int>(sigma.size());
    const int nxtot = nxtotOf(columns_);
    const int ny = static_cast<int>(y.size());
    // Declaring, the values go straight into DATAE, sized by a count of the
    // lines that can be rows (QUORLALLOCATEALL keeps it): one reading of
    // the table for the whole run, and no copy of it beside DATAE.
    std::int64_t room = rows_;
    if (declaring) {
        names_ = names;
        xNames_.assign(1, id.name);
        for (const std::vector<Column>* group : {&x, &sigma}) {
            for (const Column& c : *group) {
                xNames_.push_back(c.name);
            }
        }
        if (nx + ns == 0) {
            xNames_.emplace_back();
        }
        yNames_.clear();
        for (const Column& c : y) {
            yNames_.push_back(c.name);
        }
        room = std::min<std::int64_t>(countRowLines(table), std::numeric_limits<std::int32_t>::max());
        try {
            s.DATAE.allocate(0, nxtot + ny, 1, static_cast<int>(std::max<std::int64_t>(room, 1)));
        } catch (const std::bad_alloc&) {
            table.failFile(0, "no memory for its " + std::to_string(room) + " rows");
        } catch (const std::length_error&) {
            table.failFile(0, "no memory for its " + std::to_string(room) + " rows");
        }
    }

    constexpr std::int64_t kMaxRows = std::numeric_limits<std::int32_t>::max();
    std::int64_t rows = 0;
    std::vector<Quad> row(static_cast<std::size_t>(nxtot + static_cast<int>(y.size()) + 1));
    while (table.next()) {
        ++rows;
        if (declaring && rows > room) {
            table.fail(0, "a data row beyond the " + std::to_string(room) +
                              " lines counted before: the file changed while it was read");
        }
        if (!declaring && rows > rows_) {
            table.fail(0, "a data row beyond the " + std::to_string(rows_) +
                              " counted in mode 0, when the sizes were taken: the file changed during the run");
        }
        if (rows > kMaxRows) {
            table.fail(0, "more data rows than a run can hold (" + std::to_string(kMaxRows) + ")");
        }
        const int md = static_cast<int>(rows);
        const Quad idValue = id.number != 0 ? table.number(id.number) : fromInt(md);
        fp.add(idValue);
        row[0] = idValue;
        const std::span<Quad> target = s.DATAE.column(md);
        target[0] = idValue;
        if (nx + ns == 0) {
            target[1] = Quad{};
        }
        auto take = [&](const Column& c, int at) {
            const Quad v = table.number(c.number);
            fp.add(v);
            row[static_cast<std::size_t>(at)] = v;
            target[static_cast<std::size_t>(at)] = v;
            return v;
        };
        for (int k = 1; k <= nx; ++k) {
            take(x[static_cast<std::size_t>(k - 1)], k);
        }
        for (int k = 1; k <= ns; ++k) {
            const Column& c = sigma[static_cast<std::size_t>(k - 1)];
            if (!(take(c, nx + k) > Quad{})) {
                table.fail(c.number, "the standard error \"" + std::string(table.field(c.number)) +
                                         "\" is not positive (the weight is 1/sigma)");
            }
        }
        for (int l = 1; l <= ny; ++l) {
            take(y[static_cast<std::size_t>(l - 1)], nxtot + l);
        }
        if (declaring && check_) {
            if (const std::string fault = check_(row); !fault.empty()) {
                table.fail(0, fault);
            }
        }
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
    fingerprint = fp.h;
    return rows;
}

}  // namespace quorl
