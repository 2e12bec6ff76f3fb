// io::format against gfortran: every generated case is written by both and
// the texts must be identical. The oracle runs once over all cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "format_oracle.hpp"
#include "io/format.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::test::OracleCases;

std::vector<std::string> systemFormats() {
    std::ifstream in(std::string(QUORL_SOURCE_DIR) + "/tests/io/format_system_texts.txt");
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            out.push_back(line);
        }
    }
    return out;
}

std::string describe(const quorl::io::Item& item) {
    std::ostringstream s;
    std::visit(
        [&s](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string_view>) {
                s << "'" << v << "'";
            } else if constexpr (std::is_same_v<T, quorl::Quad>) {
                s << std::hexfloat << "Quad{" << v.hi << ", " << v.lo << "}";
            } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
                s << std::hexfloat << v << (std::is_same_v<T, float> ? "f" : "");
            } else {
                s << v << (std::is_same_v<T, std::int64_t> ? "L" : "");
            }
        },
        item);
    return s.str();
}

std::string visible(const std::string& s) {
    std::string out;
    for (const char c : s) {
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return "\"" + out + "\"";
}

TEST(FormatOracle, MatchesGfortranOnEveryCase) {
#ifndef QUORL_FORMAT_ORACLE
    GTEST_SKIP() << "no Fortran compiler: the gfortran oracle was not built";
#else
    OracleCases list;
    quorl::test::addIntegerCases(list);
    quorl::test::addFixedCases(list);
    quorl::test::addExponentCases(list);
    quorl::test::addGeneralCases(list);
    quorl::test::addQuadCases(list);
    quorl::test::addWideDecimalCases(list);
    quorl::test::addTextCases(list);
    quorl::test::addRecordCases(list);
    quorl::test::addSystemFormatCases(list, systemFormats());
    quorl::test::addFreeFormCases(list);

    const auto& cases = list.cases();
    const quorl::testing::TempDir dir;  // the oracle's input and output files
    const auto expected = quorl::test::runOracle(cases, QUORL_FORMAT_ORACLE, dir.path().string());
    std::map<std::string, int> compared, rejected;
    int mismatches = 0;
    std::map<std::string, int> failedIn;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        if (!expected[i]) {
            ++rejected[c.family];
            continue;
        }
        ++compared[c.family];
        const std::string ours = c.fmt == "*" ? quorl::io::formatFree(c.items) : quorl::io::formatItems(c.fmt, c.items);
        if (ours != *expected[i]) {
            ++mismatches;
            if (++failedIn[c.family] <= 4) {
                std::string items;
                for (const auto& item : c.items) {
                    items += " " + describe(item);
                }
                ADD_FAILURE() << c.family << " " << c.fmt << " with" << items << "\n   ours:     " << visible(ours)
                              << "\n   gfortran: " << visible(*expected[i]);
            }
        }
    }
    int total = 0;
    for (const auto& [family, n] : compared) {
        std::cout << "[ oracle   ] " << family << ": " << n << " cases";
        if (rejected.count(family) != 0) {
            std::cout << " (" << rejected[family] << " rejected by gfortran, not compared)";
        }
        if (failedIn.count(family) != 0) {
            std::cout << ", " << failedIn[family] << " MISMATCHED";
        }
        std::cout << "\n";
        total += n;
    }
    std::cout << "[ oracle   ] " << total << " cases compared, " << mismatches << " mismatches\n";
    EXPECT_EQ(mismatches, 0);
#endif
}

}  // namespace
