// The first n value lines of Quorl-params.txt in the current directory, at
// full precision.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace quorl::testing {

inline std::vector<Quad> fittedValues(std::size_t n) {
    std::istringstream in(TempDir::readFile("Quorl-params.txt"));
    std::string line;
    std::getline(in, line);  // the counts
    std::vector<Quad> values;
    while (values.size() < n && std::getline(in, line)) {
        std::istringstream fields(line);
        std::string text;
        fields >> text;
        Quad v{};
        EXPECT_TRUE(parseQuad(text, v)) << line;
        values.push_back(v);
    }
    return values;
}

}  // namespace quorl::testing
