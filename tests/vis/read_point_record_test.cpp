#include "vis/read_point_record.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>

#include "io/format.hpp"
#include "io/format_read.hpp"
#include "vis/draw_3d_jtl.hpp"

namespace quorl {
namespace {

// The column-by-column reader against the general one on records as the
// point list writes them (values of every size, codes, angles) and on the
// same records disturbed: a character replaced, the record cut or grown,
// other exponent letters, no point. Same success, same bits.
TEST(ReadPointRecord, GivesWhatTheGeneralReaderGives) {
    std::mt19937_64 rng(62);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const std::string noise = " 0123456789+-.EeDdxQ";
    int readable = 0;
    for (int n = 0; n < 200000; ++n) {
        TLREC w;
        w.IC = pick(31) - 15;
        w.TH = static_cast<float>(pick(2000) - 1000) / 10.0f;
        for (int k = 1; k <= 3; ++k) {
            const double scale = std::ldexp(1.0, pick(200) - 100);
            w.XYZ(k) = pick(10) == 0 ? Quad{} : Quad{unit(rng) * scale, unit(rng) * scale * 0x1p-60};
        }
        std::string record = io::format(FORMATTL, w.IC, w.TH, w.XYZ(1), w.XYZ(2), w.XYZ(3));
        switch (pick(4)) {
        case 0:
            record[static_cast<std::size_t>(pick(static_cast<int>(record.size())))] =
                noise[static_cast<std::size_t>(pick(static_cast<int>(noise.size())))];
            break;
        case 1:
            record.resize(static_cast<std::size_t>(pick(static_cast<int>(record.size()) + 4)), ' ');
            break;
        default:
            break;
        }
        TLREC fast, general;
        fast.IC = general.IC = 7;
        const bool okFast = readPointRecord(record, fast);
        const bool okGeneral =
            io::readFormatted(record, FORMATTL, general.IC, general.TH, general.XYZ(1), general.XYZ(2), general.XYZ(3))
                .ok();
        ASSERT_EQ(okFast, okGeneral) << record;
        if (!okGeneral) {
            continue;
        }
        ++readable;
        ASSERT_EQ(fast.IC, general.IC) << record;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(fast.TH), std::bit_cast<std::uint32_t>(general.TH)) << record;
        for (int k = 1; k <= 3; ++k) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(fast.XYZ(k).hi), std::bit_cast<std::uint64_t>(general.XYZ(k).hi))
                << record;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(fast.XYZ(k).lo), std::bit_cast<std::uint64_t>(general.XYZ(k).lo))
                << record;
        }
    }
    EXPECT_GT(readable, 100000);
}

}  // namespace
}  // namespace quorl
