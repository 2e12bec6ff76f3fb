#include "engine/data_table.hpp"

#include <bit>
#include <cstring>
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
    rows_ = readAll(s, false, fingerprint_);
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
    std::uint64_t fingerprint = 0;
    readAll(s, true, fingerprint);
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

std::int64_t DataTable::readAll(State& s, bool fill, std::uint64_t& fingerprint) {
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
    for (const std::vector<Column>* group : {&x, &sigma, &y}) {
        for (const Column& c : *group) {
            fp.add(c.name);
        }
    }
    fp.add(id.name);

    const int nx = static_cast<int>(x.size());
    const int ns = static_cast<int>(sigma.size());
    const int nxtot = nxtotOf(columns_);
    if (fill) {
        s.XR(0).XNAME = nameOf(id.name);
        for (int k = 1; k <= nx; ++k) {
            s.XR(k).XNAME = nameOf(x[static_cast<std::size_t>(k - 1)].name);
        }
        for (int k = 1; k <= ns; ++k) {
            s.XR(nx + k).XNAME = nameOf(sigma[static_cast<std::size_t>(k - 1)].name);
        }
        for (int l = 1; l <= static_cast<int>(y.size()); ++l) {
            s.ZR(l).ZNAME = nameOf(y[static_cast<std::size_t>(l - 1)].name);
        }
    }

    constexpr std::int64_t kMaxRows = std::numeric_limits<std::int32_t>::max();
    std::int64_t rows = 0;
    std::vector<Quad> row(static_cast<std::size_t>(nxtot + static_cast<int>(y.size()) + 1));
    while (table.next()) {
        ++rows;
        if (fill && rows > rows_) {
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
        if (fill) {
            s.DATAE(0, md) = idValue;
            if (nx + ns == 0) {
                s.DATAE(1, md) = Quad{};
            }
        }
        auto take = [&](const Column& c, int at) {
            const Quad v = table.number(c.number);
            fp.add(v);
            row[static_cast<std::size_t>(at)] = v;
            if (fill) {
                s.DATAE(at, md) = v;
            }
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
        for (int l = 1; l <= static_cast<int>(y.size()); ++l) {
            take(y[static_cast<std::size_t>(l - 1)], nxtot + l);
        }
        if (!fill && check_) {
            if (const std::string fault = check_(row); !fault.empty()) {
                table.fail(0, fault);
            }
        }
    }
    if (rows == 0) {
        table.failFile(0, "no data rows (" + std::to_string(table.line()) + " lines, none of them a data row)");
    }
    if (fill && rows < rows_) {
        table.failFile(0, "the file ends after " + std::to_string(rows) + " data rows, where mode 0 counted " +
                              std::to_string(rows_) + ": the file changed during the run");
    }
    fingerprint = fp.h;
    return rows;
}

}  // namespace quorl
