// Decimal text to quad and back. For any text:
//  - the input readers' real text (io::parseReal) agrees with parseQuad on
//    every text parseQuad takes;
//  - a finite value written with 36 significant digits (the free-form text
//    of a quad) reads back within the precision of a double-double;
//  - a normalised value written with all of its exact digits reads back to
//    the very same pair, and e41.32 (the parameter file's field) to a
//    value within half a unit of its 32nd digit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.hpp"
#include "io/format.hpp"
#include "io/real_text.hpp"
#include "quad/decimal.hpp"

namespace {

bool same(quorl::Quad a, quorl::Quad b) {
    return (a.hi == b.hi || (std::isnan(a.hi) && std::isnan(b.hi))) && (a.lo == b.lo || (std::isnan(a.lo) && std::isnan(b.lo)));
}

// |a - b| <= tol * |a|, in double-double arithmetic (both finite).
bool close(quorl::Quad a, quorl::Quad b, double tol) {
    const quorl::Quad d = quorl::abs(a - b);
    return d.hi <= tol * std::fabs(a.hi) || d.hi < 1e-300;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quorl::Quad exact{};
    const bool strict = quorl::parseQuad(text, exact);
    quorl::Quad q{};
    const bool taken = quorl::io::parseReal(text, q);
    FUZZ_CHECK(!strict || (taken && same(q, exact)));
    if (!taken || !quorl::isFinite(q) || (q.hi == 0.0 && q.lo == 0.0)) {
        return 0;
    }
    // 36 digits, as free-form output writes a quad.
    std::string digits;
    int k = quorl::scientificDigits(q, 36, digits);
    quorl::Quad back{};
    FUZZ_CHECK(quorl::parseQuad((q.hi < 0 ? "-0." : "0.") + digits + "E" + std::to_string(k), back));
    FUZZ_CHECK(std::isfinite(back.hi) && close(q, back, 1e-31));
    // All exact digits (fewer than 1400) of a normalised pair: the same pair.
    const double ulpHalf = std::ldexp(std::fabs(std::nextafter(q.hi, 0.0) - q.hi), -1);
    if (std::fabs(q.lo) < ulpHalf) {
        k = quorl::scientificDigits(q, 1400, digits);
        FUZZ_CHECK(quorl::parseQuad((q.hi < 0 ? "-0." : "0.") + digits + "E" + std::to_string(k), back));
        FUZZ_CHECK(same(q, back));
    }
    // The parameter file's field, read back by free-form input.
    const std::string field = quorl::io::format("(e41.32)", q);
    FUZZ_CHECK(quorl::io::parseReal(field.substr(field.find_first_not_of(' '), 41 - field.find_first_not_of(' ')), back));
    FUZZ_CHECK(std::isfinite(back.hi) && close(q, back, 1e-31));
    return 0;
}
