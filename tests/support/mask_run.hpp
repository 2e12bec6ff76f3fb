// Run identities (model/run_identity.hpp) masked, for comparing the files
// of two runs that should be the same but for the run that wrote them.
#pragma once

#include <regex>
#include <string>

namespace quorl::testing {

inline std::string maskRunIdentity(const std::string& text) {
    static const std::regex identity("[0-9]{8}T[0-9]{6}\\.[0-9]{3}-[0-9]+-[0-9a-f]{8}");
    return std::regex_replace(text, identity, "RUN");
}

}  // namespace quorl::testing
