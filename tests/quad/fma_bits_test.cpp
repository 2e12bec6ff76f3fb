// The quad kernels take the exact error of a product from the hardware
// fused multiply-add when the engine is built with QUORL_FMA, and from
// Dekker's splitting otherwise. The two must give the same bits: every quad
// operation over a fixed set of arguments, and a whole sample run, file by
// file. The programs compared are built once against each engine
// (tests/fma/CMakeLists.txt).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_sample.hpp"
#include "support/mask_run.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::testing::runProgram;
using quorl::testing::TempDir;

#if defined(QUORL_OPS_DUMP)

TEST(FmaBits, EveryQuadOperationGivesTheSameBitsWithAndWithoutFma) {
    TempDir dir;
    ASSERT_EQ(runProgram(QUORL_OPS_DUMP), 0);
    const std::string with = TempDir::readFile("console.txt");
    ASSERT_EQ(runProgram(QUORL_OPS_DUMP_OTHER_FMA), 0);
    const std::string without = TempDir::readFile("console.txt");
    ASSERT_NE(with.find("total"), std::string::npos) << with;
    // One line per operation: name, count, hash of all result bits. A
    // differing line names the operation; "quad_ops_dump --list NAME" in
    // both builds shows the arguments.
    EXPECT_EQ(with, without);
}

TEST(FmaBits, TheSampleRunWritesTheSameFilesWithAndWithoutFma) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string config = TempDir::readFile(QUORL_SOURCE_DIR "/user/Quorl-user.nml");
    for (const char* sub : {"with", "without"}) {
        fs::create_directory(sub);
        TempDir::writeFile(std::string(sub) + "/Quorl-user.nml", config);
    }
    fs::current_path("with");
    ASSERT_EQ(runProgram(QUORL_SAMPLE_FIXED_CLOCK), 0) << TempDir::readFile("console.txt");
    fs::current_path("../without");
    ASSERT_EQ(runProgram(QUORL_SAMPLE_FIXED_CLOCK_OTHER_FMA), 0) << TempDir::readFile("console.txt");
    fs::current_path("..");
    int files = 0;
    for (const auto& entry : fs::directory_iterator("with")) {
        const std::string name = entry.path().filename().string();
        // Equal but for the run each names.
        EXPECT_TRUE(quorl::testing::maskRunIdentity(TempDir::readFile("with/" + name)) ==
                    quorl::testing::maskRunIdentity(TempDir::readFile("without/" + name)))
            << name;
        ++files;
    }
    EXPECT_GE(files, 6);  // console, run summary, parameters, results, the drawing and its page
}

#else

TEST(FmaBits, EveryQuadOperationGivesTheSameBitsWithAndWithoutFma) {
    GTEST_SKIP() << "this machine has no fused multiply-add, or this is a sanitizer build";
}

#endif

}  // namespace
