// A data table in a text file, read one line at a time.
//
// The text:
//  - one row per line; fields separated by blanks (spaces, tabs) or by a
//    comma, with or without blanks around it. An empty field (two commas
//    with nothing between them, a comma at the start or end of a row) is an
//    error: a missing value is never read as zero.
//  - `#` starts a comment that runs to the end of the line; blank lines and
//    comment lines are skipped. Line ends may be LF or CR-LF; a UTF-8
//    byte-order mark at the start of the file is skipped.
//  - a field may be double-quoted, so that a name can hold blanks, commas
//    or `#`; inside the quotes "" stands for one quote.
//  - the first line that is not blank or a comment is a header of column
//    names when any of its fields is not a number; otherwise it is the first
//    data row and the columns have no names.
//  - every data row has as many fields as the first row (header or data).
//
// Numbers are read with parseQuad: the double-double nearest the decimal
// text, never through a double. Only the fields that the caller asks for are
// read as numbers, so a table may carry columns of text (labels, dates)
// that the model does not use.
//
// The reader holds one line of the file (and that line's fields) at a time,
// whatever the size of the file. A line may hold at most kMaxLineLength
// characters, and a data row no more fields than the first row: a longer
// line, a row with one field too many, a NUL byte (a binary file) and a
// file that is not a regular file (a FIFO, a device) stop the reading at
// once. Messages quote at most 40 characters of any field or name. Every fault stops the run (io::Stop with
// kDataTableStatus) with a message that names the file and, where there is
// one, the line and the column (the 1-based field number, with the header's
// name when there is one).
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "quad/quad.hpp"

namespace quorl::io {

// Exit status of a run stopped by a bad data table.
inline constexpr int kDataTableStatus = 9;
// The longest line of a data table, in characters (1 MiB).
inline constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

class TableReader {
public:
    // Opens the file and reads up to its first row (the header or the first
    // data row). Stops when the file does not exist, is a directory or
    // cannot be read, and on a fault in that first row.
    explicit TableReader(std::string file);
    // A reader of a part of the same file, for reading parts at once: the
    // lines from byte `begin` (the start of a line) up to byte `end`, the
    // first of them line linesBefore + 1, with the header and the number
    // of fields of `first`. Its rows() count from 1 within the part.
    TableReader(const TableReader& first, std::uint64_t begin, std::uint64_t end, std::int64_t linesBefore);
    // Ends the reading at byte `end` of the file (the start of a line).
    void endAt(std::uint64_t end) { end_ = end; }

    const std::string& file() const { return file_; }
    // The column names of the header, empty when the table has none.
    const std::vector<std::string>& header() const { return header_; }
    // The line of the header, or of the first data row when there is no
    // header; 0 when the file has no row at all.
    std::int64_t firstRowLine() const { return firstRowLine_; }
    // Fields per row, taken from the first row; 0 when the file has none.
    int columns() const { return columns_; }

    // Moves to the next data row; false at the end of the file. Stops on a
    // row with another number of fields, an empty field or an unclosed
    // quote, and on a read error.
    bool next();
    // Line number (1-based) of the current data row.
    std::int64_t line() const { return line_; }
    // Data rows read so far, the current one included.
    std::int64_t rows() const { return rows_; }
    // The text of field `column` (1..columns()) of the current row.
    std::string_view field(int column) const;
    // Field `column` of the current row as a quad real. Stops when it is not
    // a number, or lies beyond the range of a quad real.
    Quad number(int column) const;

    // Stops the run with a message on the current row: "<file>, line L,
    // column C (name): what" (the column part left out when `column` is 0).
    [[noreturn]] void fail(int column, std::string_view what) const;
    // Stops the run with a message on the whole file: "<file>: what", or
    // "<file>, line L: what" when `line` is positive.
    [[noreturn]] void failFile(std::int64_t line, std::string_view what) const;
    // How column `column` is named in messages: "column 3 (sigma)", or
    // "column 3" without a header.
    std::string columnLabel(int column) const;

private:
    bool readRow();  // the next line with fields into fields_; false at the end
    void split();    // text_ into fields_

    std::string file_;
    std::ifstream in_;
    std::vector<char> line_buffer_;         // room for the longest line and its end
    std::string_view text_;                 // the current line, in line_buffer_
    std::vector<std::string_view> fields_;  // its fields, quotes removed
    std::deque<std::string> unquoted_;      // quoted fields with "" inside, as text (stable)
    int count_ = 0;                         // fields of the current line
    std::vector<std::string> header_;
    int columns_ = 0;
    std::int64_t firstRowLine_ = 0;
    std::int64_t line_ = 0;
    std::int64_t rows_ = 0;
    bool pending_ = false;  // the first data row is read, not yet handed out
    std::uint64_t at_ = 0;  // the byte of the file the next line starts at
    std::uint64_t end_ = UINT64_MAX;  // where the reading ends
};

}  // namespace quorl::io
