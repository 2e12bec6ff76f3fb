#include "io/table_scan.hpp"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace quorl::io {

TableScan scanTable(const std::string& file, int parts) {
    TableScan scan;
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(file, ec);
    std::ifstream in(file, std::ios::binary);
    if (ec || !in) {
        return scan;
    }
    // The first byte at or after which part k + 1 starts at a line.
    std::vector<std::uint64_t> targets;
    for (int k = 1; k < parts; ++k) {
        targets.push_back(size / static_cast<std::uint64_t>(parts) * static_cast<std::uint64_t>(k));
    }
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t at = 0;  // of block[0] in the file
    std::int64_t lines = 0;
    bool leading = true;  // within the blanks that begin a line
    while (in) {
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
                ++lines;
                leading = true;
                const std::uint64_t next = at + i;
                if (scan.cuts.size() < targets.size() && next >= targets[scan.cuts.size()] && next < size) {
                    scan.cuts.push_back(next);
                    scan.linesBefore.push_back(lines);
                    scan.rowLinesBefore.push_back(scan.rowLines);
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

}  // namespace quorl::io
