// A whole run of the sample model with a fuzzed Quorl-user.nml and a
// fuzzed Quorl-params.txt (the input holds the two, split at the first line
// "%%"), in a directory of the fuzzer's own, the console scripted empty (every
// pause goes on, the quit question counts as Y). The model asks for the
// previous values (JPREV = 1) and the run is kept short: at most three
// iterations and no landscape picture (it has its own tests). A run may
// end in any way the program knows, but never with an internal error (an
// exception nobody expected) and never with a crash.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/run_quorl.hpp"
#include "fuzz_check.hpp"
#include "user/power_law_sample.hpp"

namespace {

void writeFile(const char* name, std::string_view text) {
    std::ofstream f(name, std::ios::binary);
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The run's directory, made once and emptied before every run. The run
// works there; the fuzzer's own directory is given back after it (libFuzzer
// reads its corpus by relative paths).
void freshDirectory() {
    static const std::filesystem::path dir = [] {
        std::string templ = (std::filesystem::temp_directory_path() / "quorl-fuzz-run-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(templ.data()) != nullptr);
        return std::filesystem::path(templ);
    }();
    std::filesystem::current_path(dir);
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::filesystem::remove_all(e.path());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t split = all.find("\n%%\n");
    const std::filesystem::path home = std::filesystem::current_path();
    freshDirectory();
    writeFile("Quorl-user.nml", all.substr(0, split));
    if (split != std::string_view::npos) {
        writeFile("Quorl-params.txt", all.substr(split + 4));
    }
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    quorl::PowerLawSample sample;
    const auto model = [&sample](quorl::State& st, int mode) {
        if (mode == 6) {
            return;  // no picture
        }
        sample(st, mode);
        if (mode == 0) {
            st.JPREV = 1;
            st.JPU3D = 0;
        } else if (mode == 1) {
            st.JITERTOT = std::min(st.JITERTOT, 3);
            st.JMINTOT = std::min(st.JMINTOT, 5);
        }
    };
    const int status = quorl::runQuorl(s, model);
    std::filesystem::current_path(home);
    if (status == 4) {
        std::fprintf(stderr, "%s\n", out.str().c_str());
    }
    FUZZ_CHECK(status != 4);
    return 0;
}
