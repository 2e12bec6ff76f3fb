#include "io/table_scan.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace quorl::io {

namespace {

// What a scan of the lines that start in [from, to) finds, counted from
// their start: lines ended, lines that can be rows, and the cuts.
struct RangeScan {
    std::int64_t lines = 0, rowLines = 0;
    std::vector<std::uint64_t> cuts;
    std::vector<std::int64_t> linesBefore, rowLinesBefore;
};

// Scans the lines that start in [from, to) of a file of `size` bytes; a
// cut goes at the first line start at or after each of `targets` that
// lies in (from, to].
RangeScan scanRange(const std::string& file, std::uint64_t size, std::uint64_t from, std::uint64_t to,
                    const std::vector<std::uint64_t>& targets) {
    RangeScan scan;
    std::ifstream in(file, std::ios::binary);
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t at = from;  // of block[0] in the file
    std::size_t target = 0;
    while (target < targets.size() && targets[target] <= from) {
        ++target;
    }
    bool leading = true;  // within the blanks that begin a line
    if (from > 0) {
        // The lines start after the line end before `from`.
        in.seekg(static_cast<std::streamoff>(from - 1));
        char c = 0;
        while (in.get(c) && c != '\n') {
        }
        at = static_cast<std::uint64_t>(in.tellg());
        if (!in || at >= to) {
            return scan;
        }
    }
    while (in && at < size) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        std::size_t i = 0;
        // A UTF-8 byte-order mark, which the reader skips.
        if (at == 0 && got >= 3 && std::memcmp(block.data(), "\xEF\xBB\xBF", 3) == 0) {
            i = 3;
        }
        while (i < got) {
            if (!leading) {
                const void* end = std::memchr(block.data() + i, '\n', got - i);
                if (end == nullptr) {
                    break;
                }
                i = static_cast<std::size_t>(static_cast<const char*>(end) - block.data());
            }
            const char c = block[i++];
            if (c == '\n') {
                ++scan.lines;
                leading = true;
                const std::uint64_t next = at + i;
                if (next >= to) {
                    return scan;
                }
                if (target < targets.size() && next >= targets[target] && next < size) {
                    scan.cuts.push_back(next);
                    scan.linesBefore.push_back(scan.lines);
                    scan.rowLinesBefore.push_back(scan.rowLines);
                    ++target;
                }
            } else if (leading && c != ' ' && c != '\t' && c != '\r' && c != '\v' && c != '\f') {
                scan.rowLines += c == '#' ? 0 : 1;
                leading = false;
            }
        }
        at += got;
    }
    return scan;
}

}  // namespace

TableScan scanTable(const std::string& file, int parts, int threads) {
    TableScan scan;
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(file, ec);
    if (ec || !std::ifstream(file, std::ios::binary)) {
        return scan;
    }
    // The first byte at or after which part k + 1 starts at a line.
    std::vector<std::uint64_t> targets;
    for (int k = 1; k < parts; ++k) {
        targets.push_back(size / static_cast<std::uint64_t>(parts) * static_cast<std::uint64_t>(k));
    }
    // The lines are shared out by where they start, one range a thread
    // (of at least 4 MiB each), and the counts added up in file order.
    const auto n = static_cast<std::size_t>(std::clamp<std::uint64_t>(size >> 22, 1, std::max(threads, 1)));
    std::vector<RangeScan> ranges(n);
    auto range = [&](std::size_t j) {
        ranges[j] = scanRange(file, size, size / n * j, j + 1 < n ? size / n * (j + 1) : UINT64_MAX, targets);
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t j = 1; j < n; ++j) {
            helpers.emplace_back(range, j);
        }
        range(0);
    }
    std::int64_t lines = 0;
    for (const RangeScan& r : ranges) {
        // (A target within the line that ends a range gets no cut: the
        // part before it is the larger.)
        for (std::size_t k = 0; k < r.cuts.size(); ++k) {
            scan.cuts.push_back(r.cuts[k]);
            scan.linesBefore.push_back(lines + r.linesBefore[k]);
            scan.rowLinesBefore.push_back(scan.rowLines + r.rowLinesBefore[k]);
        }
        lines += r.lines;
        scan.rowLines += r.rowLines;
    }
    return scan;
}

}  // namespace quorl::io
