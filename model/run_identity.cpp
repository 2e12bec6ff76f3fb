#include "model/run_identity.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

namespace quorl {

const std::string& runIdentity(State& s) {
    if (s.runIdentity.empty()) {
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        const auto millis =
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        std::tm utc{};
        ::gmtime_r(&seconds, &utc);
        std::random_device random;
        char text[64];
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d.%03d-%ld-%08x", utc.tm_year + 1900,
                      utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis),
                      static_cast<long>(::getpid()), random());
        s.runIdentity = text;
    }
    return s.runIdentity;
}

bool isRunIdentity(std::string_view word) {
    if (word.empty() || word.size() > 64) {
        return false;
    }
    for (const char c : word) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
                        c == '-' || c == ':' || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace quorl
