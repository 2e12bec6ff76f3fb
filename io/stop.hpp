// Stops: how a run ends on a fatal condition. A stop is thrown as
// io::Stop, carrying the message to show and the exit status of the
// program; it unwinds through the engine to main, which is the only place
// that catches it (after the units are flushed and closed, see
// io::reportStop in io/units.hpp). Status 0 means a normal end; every
// failure carries a non-zero status.
#pragma once

#include <exception>
#include <string>

namespace quorl::io {

class Stop : public std::exception {
public:
    explicit Stop(std::string message, int status = 1);

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    int status() const noexcept { return status_; }

private:
    std::string message_;
    int status_;
};

// Ends the run: throws Stop(message, status). Use status 0 only for a
// normal end that is not a failure.
[[noreturn]] void stop(std::string message, int status = 1);

}  // namespace quorl::io
