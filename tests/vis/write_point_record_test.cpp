#include "vis/write_point_record.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "io/format.hpp"
#include "io/format_read.hpp"
#include "vis/draw_3d_jtl.hpp"

namespace quorl {
namespace {

// Where the direct spelling takes a record, it is the general formatter's
// record; codes, angles and coordinates of every kind (zeros, negative
// zeros, huge and tiny values, values at rounding boundaries of the ninth
// digit, tails of either sign) decide whether it takes it.
TEST(WritePointRecord, SpellsWhatTheGeneralFormatterWrites) {
    std::mt19937_64 rng(18);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const auto value = [&]() -> Quad {
        switch (pick(12)) {
        case 0:
            return Quad{pick(2) == 0 ? 0.0 : -0.0, 0.0};
        case 1:  // a nine-digit decimal and its neighbourhood
            return Quad{std::round(unit(rng) * 1e9) * std::pow(10.0, pick(40) - 20) + unit(rng) * 1e-30, 0.0};
        case 2:
            return Quad{unit(rng) * std::ldexp(1.0, pick(2000) - 1000), 0.0};
        default: {
            const double h = unit(rng) * std::ldexp(1.0, pick(120) - 60);
            return Quad{h, h * unit(rng) * 0x1p-54};
        }
        }
    };
    int spelled = 0;
    for (int n = 0; n < 300000; ++n) {
        TLREC tl;
        tl.IC = pick(120) - 15;
        tl.TH = pick(3) == 0 ? static_cast<float>(unit(rng) * 2000.0) : static_cast<float>(pick(1200) - 150);
        if (pick(50) == 0) {
            tl.TH = -0.0f;
        }
        for (int k = 1; k <= 3; ++k) {
            tl.XYZ(k) = value();
        }
        std::string record;
        if (formatPointRecord(tl, record)) {
            ++spelled;
            ASSERT_EQ(record, io::format(FORMATTL, tl.IC, tl.TH, tl.XYZ(1), tl.XYZ(2), tl.XYZ(3)));
        }
        if (formatCoordinateRecord(tl.XYZ, record)) {
            ASSERT_EQ(record, io::format("(3e18.9)", tl.XYZ(1), tl.XYZ(2), tl.XYZ(3)));
        }
        const int number = pick(4) == 0 ? pick(1000) - 10 : static_cast<int>(rng() % 1100000000U) - 10;
        if (formatNumberRecord(number, tl.IC, record)) {
            ASSERT_EQ(record, io::format("(i9,1x,i2)", number, tl.IC));
        }
    }
    EXPECT_GT(spelled, 30000);
}

// Coordinate text taken as its own formatting is exactly what (3e18.9)
// writes for the values read from it: the formatter's own records of
// values of every kind, and the same records with characters changed.
TEST(WritePointRecord, OwnCoordinateTextIsItsValuesFormatting) {
    std::mt19937_64 rng(27);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    const auto value = [&]() -> Quad {
        switch (pick(4)) {
        case 0:
            return Quad{pick(2) == 0 ? 0.0 : -0.0, 0.0};
        case 1:
            return Quad{unit(rng) * std::ldexp(1.0, pick(800) - 400), 0.0};
        default:
            return Quad{unit(rng) * std::ldexp(1.0, pick(40) - 20), 0.0};
        }
    };
    constexpr std::string_view kAlphabet = "0123456789 -+E.";
    int own = 0;
    for (int n = 0; n < 200000; ++n) {
        std::string text = io::format("(3e18.9)", value(), value(), value());
        text.pop_back();  // the '\n'
        for (int changes = pick(3); changes > 0; --changes) {
            text[static_cast<std::size_t>(pick(54))] = kAlphabet[static_cast<std::size_t>(pick(15))];
        }
        if (!isOwnCoordinateText(text)) {
            continue;
        }
        ++own;
        Quad x, y, z;
        ASSERT_TRUE(io::readFormatted(text, "(3e18.9)", x, y, z).ok()) << text;
        ASSERT_EQ(io::format("(3e18.9)", x, y, z), text + "\n");
    }
    EXPECT_GT(own, 50000);
}

}  // namespace
}  // namespace quorl
