#include "io/replace_file.hpp"

#include "io/output_file.hpp"
#include "io/stop.hpp"

namespace quorl::io {

namespace {

[[noreturn]] void failed(const Stop& why, int status) {
    stop("Quorl: " + why.message() + ". The previous file, if any, is left as it was.", status);
}

}  // namespace

void writeReplacement(Units& units, const std::string& path, std::string_view text, int status) {
    try {
        units.writeWhole(path, text, status);
    } catch (const Stop& why) {
        failed(why, status);
    }
}

void commitReplacement(Units& units, const std::string& path, int status) {
    try {
        units.commit(path);
    } catch (const Stop& why) {
        failed(why, status);
    }
}

void discardReplacement(Units& units, const std::string& path) { units.discard(path); }

void replaceFile(const std::string& path, std::string_view text, int status) {
    try {
        const auto out = OutputFile::open(path, OutputFile::Mode::Whole, status);
        out->write(text);
        out->commit();
    } catch (const Stop& why) {
        failed(why, status);
    }
}

}  // namespace quorl::io
