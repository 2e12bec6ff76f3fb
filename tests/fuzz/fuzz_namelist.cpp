// The namelist reader on any text: the group QUORLNML with members of every
// kind. Nothing may crash or throw; a result is consistent with itself.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "io/namelist.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int32_t jbon = 3, jpd = 4, jitertot = 30;
    quorl::Quad delta{1e-6, 0.0};
    quorl::Text<60> what, why;
    quorl::Text<1> flag;
    const std::vector<quorl::io::NamelistMember> members = {
        {"JBON", jbon}, {"JPD", jpd}, {"JITERTOT", jitertot}, {"DELTA", delta},
        {"WHAT", what}, {"WHY", why}, {"FLAG", flag},
    };
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const quorl::io::NamelistResult r = quorl::io::readNamelist(in, "QUORLNML", members);
    FUZZ_CHECK(r.ok() == (r.status == quorl::io::NamelistStatus::Ok));
    FUZZ_CHECK(!r.ok() || (r.found && r.complete));
    FUZZ_CHECK(r.found || r.status == quorl::io::NamelistStatus::NotFound);
    FUZZ_CHECK(r.ok() || !r.message.empty());
    FUZZ_CHECK(!r.found || r.ok() || r.line >= 1);
    return 0;
}
