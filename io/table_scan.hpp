// A scan of a data table's bytes, without parsing: how many of its lines can
// be rows (neither blank nor a comment, by the reader's rules:
// io/table_reader.hpp), and where to cut it into parts that start at a
// line, for reading the parts at once on several threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorl::io {

struct TableScan {
    std::int64_t rowLines = 0;  // lines that can be rows: the data rows and the header, if any
    // Part k (1 ..) starts at byte cuts[k - 1], after linesBefore[k - 1]
    // lines of which rowLinesBefore[k - 1] can be rows.
    std::vector<std::uint64_t> cuts;
    std::vector<std::int64_t> linesBefore, rowLinesBefore;
};

// Scans `file` and cuts it into at most `parts` parts of about equal size
// (fewer when it has fewer lines), on up to `threads` threads. A file that
// cannot be read scans as empty: its reading stops on its own.
TableScan scanTable(const std::string& file, int parts, int threads = 1);

}  // namespace quorl::io
