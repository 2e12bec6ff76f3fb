#include "io/stop.hpp"

#include <utility>

namespace quorl::io {

Stop::Stop(std::string message, int status) : message_(std::move(message)), status_(status) {}

void stop(std::string message, int status) { throw Stop(std::move(message), status); }

}  // namespace quorl::io
