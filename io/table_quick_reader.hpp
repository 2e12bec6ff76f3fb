// A fast reader of the data rows of a part of a table, for reading a large
// table in parts at once.
//
// It reads a table as io::TableReader does (io/table_reader.hpp: the same
// fields, rows and numbers, bit for bit), but it only reads: where that
// reader would stop the run with a message, or where a row is not one it
// takes quickly (a quoted number, a line longer than its block), it gives up
// without a word, and the caller reads the table again with the checked
// reader, which finds the fault and names its line. It holds one block of
// the file at a time and splits each line and converts its numbers in one
// pass, without copying a field; only the columns asked for are converted.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "quad/quad.hpp"

namespace quorl::io {

class QuickTableReader {
public:
    // Rows of `columns` fields each; next() gives the numbers of the
    // columns `wanted` (1-based, in the order given; a column may be asked
    // for twice).
    QuickTableReader(std::string file, int columns, std::vector<int> wanted);

    // Reads the lines from byte `begin` (the start of a line) up to byte
    // `end` (the start of a line, or past the end of the file), passing
    // over the first `skip` lines (those up to the header, which the checked
    // reader has read). A part that starts the file has its first line's
    // byte-order mark skipped.
    void start(std::uint64_t begin, std::uint64_t end, std::int64_t skip);
    // The next data row's numbers into values[0 .. wanted.size()); false at
    // the end of the part, and when the reader gave up.
    bool next(Quad* values);
    // True once a line was found that the checked reader must read.
    bool gaveUp() const { return gaveUp_; }

private:
    bool nextLine(const char*& line, std::size_t& length);  // false at the end (or on giving up)
    bool splitLine(const char* line, std::size_t length);   // the wanted numbers into values_; false: not a row
    bool giveUp() {
        gaveUp_ = true;
        return false;
    }

    std::string file_;
    int columns_;
    std::vector<int> wanted_;
    std::vector<signed char> want_;  // by column (0-based): its number is read
    std::vector<Quad> values_;       // by column (0-based), of the current row
    std::ifstream in_;
    std::vector<char> block_;
    std::size_t at_ = 0, filled_ = 0;  // the unread bytes are block_[at_, filled_)
    std::uint64_t left_ = 0;           // bytes of the part not yet in the block
    bool first_ = false;               // the next line is the first of the file
    bool gaveUp_ = false;
};

}  // namespace quorl::io
