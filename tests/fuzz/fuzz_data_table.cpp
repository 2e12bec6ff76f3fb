// The data table reader. For any text as the table file:
//  - reading either stops with one short line naming the file (a message
//    never quotes more than a few dozen characters of the input), or
//    gives rows of the first row's width;
//  - every field it reads as a number is the value parseQuad gives;
//  - a table read as x and y columns declares and loads the same rows, and
//    DATAE holds the numbers the reader gave.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/data_table.hpp"
#include "fuzz_check.hpp"
#include "io/stop.hpp"
#include "io/table_reader.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"

namespace {

const std::string& tableFile() {
    static const std::string file = [] {
        std::string templ = (std::filesystem::temp_directory_path() / "quorl-fuzz-table-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(templ.data()) != nullptr);
        return templ + "/t.txt";
    }();
    return file;
}

void checkMessage(const quorl::io::Stop& stop) {
    const std::string& m = stop.message();
    FUZZ_CHECK(m.rfind("Quorl: data table " + tableFile(), 0) == 0);
    FUZZ_CHECK(m.find('\n') == std::string::npos);
    FUZZ_CHECK(m.size() <= tableFile().size() + 300);
}

bool same(quorl::Quad a, quorl::Quad b) { return a.hi == b.hi && a.lo == b.lo; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream f(tableFile(), std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // Rows of two or more columns: the numbers of the first two.
    std::vector<quorl::Quad> read;
    bool numbersAsNames = false;  // a header naming a column "1" or "2"
    try {
        quorl::io::TableReader table(tableFile());
        for (const std::string& name : table.header()) {
            numbersAsNames = numbersAsNames || name == "1" || name == "2";
        }
        while (table.next()) {
            FUZZ_CHECK(table.columns() >= 1);
            for (int c = 1; c <= table.columns() && c <= 2; ++c) {
                const std::string_view text = table.field(c);
                quorl::Quad expected{};
                const bool number = quorl::parseQuad(text, expected);
                if (number && table.columns() >= 2) {
                    const quorl::Quad q = table.number(c);
                    FUZZ_CHECK(same(q, expected));
                    read.push_back(q);
                }
            }
        }
    } catch (const quorl::io::Stop& stop) {
        checkMessage(stop);
        return 0;
    }
    if (numbersAsNames) {
        return 0;
    }
    try {
        quorl::State s;
        quorl::DataTable table(tableFile(), {.x = {"1"}, .y = {"2"}});
        table.declare(s);
        s.KPTOT = 1;
        quorl::QUORLALLOCATEALL(s);
        table.load(s);
        // Every row read its two numbers above (else the declare stopped).
        FUZZ_CHECK(read.size() == 2 * static_cast<std::size_t>(s.MDTOT));
        for (int md = 1; md <= s.MDTOT; ++md) {
            FUZZ_CHECK(same(s.DATAE(1, md), read[2 * static_cast<std::size_t>(md - 1)]));
            FUZZ_CHECK(same(s.DATAE(2, md), read[2 * static_cast<std::size_t>(md - 1) + 1]));
        }
    } catch (const quorl::io::Stop& stop) {
        checkMessage(stop);
    }
    return 0;
}
