#include "io/replace_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "io/stop.hpp"

namespace quorl::io {

namespace {

[[noreturn]] void failed(const std::string& path, const std::string& why, bool created, int status) {
    if (created) {
        discardReplacement(path);
    }
    stop("Quorl: cannot write " + path + ": " + why + ". The previous file, if any, is left as it was.", status);
}

}  // namespace

std::string replacementOf(const std::string& path) { return path + ".tmp"; }

void discardReplacement(const std::string& path) {
    const std::string temp = replacementOf(path);
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(temp, ec))) {
        std::filesystem::remove(temp, ec);
    }
}

void writeReplacement(const std::string& path, std::string_view text, int status) {
    const std::string temp = replacementOf(path);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
        failed(path, "cannot create '" + temp + "' (" + std::strerror(errno) + ")", false, status);
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (out.fail()) {
        failed(path, "writing '" + temp + "' failed", true, status);
    }
}

void commitReplacement(const std::string& path, int status) {
    const std::string temp = replacementOf(path);
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        failed(path, "cannot replace it by '" + temp + "' (" + ec.message() + ")", true, status);
    }
}

void replaceFile(const std::string& path, std::string_view text, int status) {
    writeReplacement(path, text, status);
    commitReplacement(path, status);
}

}  // namespace quorl::io
