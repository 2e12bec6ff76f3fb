// DataTable: a model's data table, loaded from a text file in one call per
// mode.
//
// A model keeps one DataTable for the whole run (a member of the model) and
// calls it in three of its modes:
//
//   struct Decay {
//       DataTable table{"decay.txt", {.x = {"t"}, .y = {"y"}, .sigma = {"dy"}}};
//       void operator()(State& s, int mode) {
//           if (mode <= 0) { s.KPTOT = 3; table.declare(s); }  // sets MDTOT, LZTOT, NXTOT
//           else if (mode == 1) { table.load(s); ... }         // the names (DATAE is filled)
//           else if (mode == 3) { table.point(s); }            // XDATA, ZDATA, WT of point MD
//           else if (mode == 4) { ... }                        // residuals from XR, ZR, PR
//       }
//   };
//
// The file (its text format: io/table_reader.hpp) has one data point per
// row. The model names the columns it uses, by header name or by 1-based
// number ("3"); a text that matches a header name is that column, any other
// positive integer is a column number. Other columns are not read.
//
// The layout of DATAE(0:NXTOT+LZTOT, 1:MDTOT), one column per data row in
// file order (nx x columns, ns sigma columns, ny y columns):
//   row 0                     the point's identifying number: the id column,
//                             else the row number 1, 2, ...
//   rows 1 .. nx              the x columns, in the order given
//   rows nx+1 .. nx+ns        the sigma columns (standard errors of the y's)
//   rows NXTOT+1 .. NXTOT+ny  the y columns (measured values), in order
// so NXTOT = nx + ns (1 when both are 0: row 1 is then unused and zero) and
// LZTOT = ny. Every value is the double-double nearest its decimal text.
//
// Names: XR(0).XNAME is the id column's header name (else "id"), XR(1..nx)
// the x names, XR(nx+1..nx+ns) the sigma names, ZR(1..ny).ZNAME the y
// names: the header's names, or x1, x2, ..., s1, ..., y1, ... without a
// header; a name longer than 16 bytes is cut (never inside a UTF-8
// character).
//
// Weights: the engine copies the run-wide WEIGHT into every ZR(:).WT at the
// top of each iteration; with sigma columns point() then sets
// ZR(l).WT = 1/sigma_l for the point, after that copy, so the residual the
// model forms in mode 4 as (measured - modelled) * ZR(l).WT has weight
// 1/sigma. Without sigma columns point() leaves WT alone.
//
// Errors: every check is made in declare(), in mode 0, before the engine has
// written any file, and stops the run (exit status io::kDataTableStatus, 9)
// with a message naming the file and, where there is one, the line and the
// column: a file that is missing, a directory or unreadable; an empty field,
// an unclosed quote or a row with another number of fields than the first;
// a field of a used column that is not a number (or beyond the range of a
// quad real); no data rows; a column name or number that the table does not
// have (or a name that the header gives twice); a sigma entry that is zero
// or negative; no y column, or sigma columns but not one per y column.
// The table is read once: declare() reads it straight into DATAE, sized
// by a first scan of the file's bytes that counts the lines that can be
// rows (QUORLALLOCATEALL keeps a DATAE of the right bounds), so the run
// works on what mode 0 read and checked, whatever happens to the file
// later. load() only names the columns, unless the model made DATAE anew
// since: then it reads the file again and stops when it has changed since
// declare() (another number of data rows, another value or name).
//
// Reading: the scan cuts the file into parts of about 512 KiB at line
// starts; the threads of the passes (JTHREADS) take the parts in turn and
// read them with io::QuickTableReader, while the calling thread checks the
// rows in file order as the parts come in. Where the quick reader gives
// up, or a row fails its check, one checked reader (io::TableReader) reads
// the whole table again and stops at the first fault with its line: the
// values and the messages are those of a reading row by row.
//
// Memory: beyond DATAE, each thread holds one block of the file (256 KiB)
// at a time, however large the table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/state.hpp"

namespace quorl {

struct TableColumns {
    // The initialisers let a model name only the members it uses,
    // {.x = {"t"}, .y = {"y"}}, without a missing-initialiser warning.
    std::vector<std::string> x{};      // auxiliary values, in order: XR(1), XR(2), ...
    std::vector<std::string> y{};      // measured values: ZR(1), ZR(2), ...
    std::vector<std::string> sigma{};  // none, or one per y: its standard error; the weight is 1/sigma
    std::string id{};                  // the column of the point's identifying number; empty: the row number
};

class DataTable {
public:
    // The table in `file` (a path, relative to the current directory).
    DataTable(std::string file, TableColumns columns);
    // The table in the file named by CJUSERFILE, as the run's configuration
    // leaves it: declare() takes the model's value of CJUSERFILE (set it in
    // mode 0 before the call, as the default) and, when Quorl-user.nml sets
    // CJUSERFILE, the file's value. (The driver reads Quorl-user.nml only
    // after mode 0, so a model that read s.CJUSERFILE itself in mode 0 would
    // miss the user's choice.)
    explicit DataTable(TableColumns columns);

    // Mode 0: reads and checks the whole table into DATAE; sets MDTOT
    // (data rows), LZTOT (y columns) and NXTOT (x columns + sigma columns,
    // at least 1).
    void declare(State& s);
    // Mode 1: names XR(0:NXTOT) and ZR(1:LZTOT); reads the table again
    // when DATAE no longer holds it. Needs declare() on the same object and
    // the sizes it set.
    void load(State& s);
    // Mode 3: XR(0:NXTOT).XDATA and ZR(1:LZTOT).ZDATA from column MD of
    // DATAE, and ZR(l).WT = 1/sigma_l when there are sigma columns.
    void point(State& s) const;

    // A check of every row as declare() reads it: given the row's values
    // by DATAE row (0: the id), it returns what is wrong with them, or an
    // empty text; a fault stops the run at the row's line.
    void checkEachRow(std::function<std::string(const std::vector<Quad>&)> check) { check_ = std::move(check); }

    // The file read (after declare(), also when taken from CJUSERFILE).
    const std::string& file() const { return file_; }
    // The line of `file` that holds data row md (1 ..), for messages about
    // a data point: the file is read again up to that row (only a message
    // needs it, and a table of lines would cost memory for every row);
    // 0 when the file has fewer rows now.
    static std::int64_t lineOfRow(const std::string& file, int md);

private:
    // One reading of the whole file into DATAE. Declaring: every check,
    // and DATAE allocated for it; loading: into the DATAE of the sizes
    // declared. Returns the number of data rows; `fingerprint` receives a
    // hash of every value and name read.
    enum class Reading { Declare, Load };
    std::int64_t readAll(State& s, Reading how, std::uint64_t& fingerprint);
    // A hash of the names and of what DATAE holds in its first `rows`
    // columns (not the bounds of a reading of `rows` rows: another hash).
    std::uint64_t fingerprintOf(const State& s, const std::vector<std::string>& names, std::int64_t rows) const;
    // XR(0:NXTOT).XNAME and ZR(1:LZTOT).ZNAME from the names declared.
    void nameColumns(State& s) const;

    std::string file_;
    bool fromUserFile_ = false;
    TableColumns columns_;
    bool declared_ = false;
    std::int64_t rows_ = 0;
    std::uint64_t fingerprint_ = 0;
    std::function<std::string(const std::vector<Quad>&)> check_;
    std::vector<std::string> names_;   // as hashed: x, sigma, y, then the id
    std::vector<std::string> xNames_;  // XR(0:NXTOT).XNAME
    std::vector<std::string> yNames_;  // ZR(1:LZTOT).ZNAME
};

}  // namespace quorl
