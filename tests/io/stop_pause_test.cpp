#include <gtest/gtest.h>

#include <sstream>

#include "io/pause.hpp"
#include "io/stop.hpp"
#include "io/units.hpp"

using quorl::io::Stop;
using quorl::io::Units;

namespace {

TEST(StopTest, CarriesMessageAndStatus) {
    try {
        quorl::io::stop("cannot invert");
        FAIL() << "stop returned";
    } catch (const std::exception& e) {
        const auto* s = dynamic_cast<const Stop*>(&e);
        ASSERT_NE(s, nullptr);
        EXPECT_STREQ(e.what(), "cannot invert");
        EXPECT_EQ(s->status(), 1);  // a failure unless said otherwise
    }
    try {
        quorl::io::stop("normal end", 0);
    } catch (const Stop& s) {
        EXPECT_EQ(s.status(), 0);
        EXPECT_EQ(s.message(), "normal end");
    }
}

TEST(PauseTest, ShowsItsLineAndConsumesOneAnswer) {
    std::istringstream in("\nnext answer\n");
    std::ostringstream out;
    Units u(in, out);
    u.put(6, "working");
    quorl::io::pause(u, "Press Enter to go on");
    EXPECT_EQ(out.str(), "working\nPress Enter to go on\n");
    EXPECT_EQ(u.readLine(5), "next answer");
}

TEST(PauseTest, GoesOnAtTheEndOfInput) {
    std::istringstream in("");
    std::ostringstream out;
    Units u(in, out);
    quorl::io::pause(u, "Paused");
    quorl::io::pause(u, "Paused again");
    EXPECT_EQ(out.str(), "Paused\nPaused again\n");
}

}  // namespace
