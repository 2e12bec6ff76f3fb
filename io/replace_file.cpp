#include "io/replace_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "io/stop.hpp"

namespace quorl::io {

void replaceFile(const std::string& path, std::string_view text, int status) {
    const std::string temp = path + ".tmp";
    auto fail = [&](const std::string& why, bool created) {
        std::error_code ec;
        if (created && std::filesystem::is_regular_file(temp, ec)) {
            std::filesystem::remove(temp, ec);
        }
        stop("Quorl: cannot write " + path + ": " + why + ". The previous file, if any, is left as it was.", status);
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            fail("cannot create '" + temp + "' (" + std::strerror(errno) + ")", false);
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (out.fail()) {
            fail("writing '" + temp + "' failed", true);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        fail("cannot replace it by '" + temp + "' (" + ec.message() + ")", true);
    }
}

}  // namespace quorl::io
