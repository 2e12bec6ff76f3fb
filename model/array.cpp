#include "model/array.hpp"

#include "io/stop.hpp"

namespace quorl::detail {

namespace {

std::string bounds(int lower, int upper) { return std::to_string(lower) + ":" + std::to_string(upper); }

std::string where(const std::source_location& loc) {
    return " at " + std::string(loc.file_name()) + ":" + std::to_string(loc.line()) + " in " + loc.function_name();
}

}  // namespace

void arrayIndexStop(int i, int lower, int upper, std::source_location loc) {
    io::stop("array index (" + std::to_string(i) + ") outside the bounds (" + bounds(lower, upper) + ")" +
             where(loc));
}

void arrayIndexStop(int i, int j, int lower1, int upper1, int lower2, int upper2, std::source_location loc) {
    io::stop("array index (" + std::to_string(i) + "," + std::to_string(j) + ") outside the bounds (" +
             bounds(lower1, upper1) + "," + bounds(lower2, upper2) + ")" + where(loc));
}

void arrayRangeStop(int dim, int from, int to, int lower, int upper, const std::source_location& loc) {
    io::stop("array index range " + bounds(from, to) + " of dimension " + std::to_string(dim) +
             " outside the bounds (" + bounds(lower, upper) + ")" + where(loc));
}

void arrayBoundsStop(int lower, int upper, const std::source_location& loc) {
    io::stop("array bounds " + bounds(lower, upper) + " are reversed (an upper bound may be at most one below the lower)" +
             where(loc));
}

void arrayDimStop(int dim, int rank, const std::source_location& loc) {
    io::stop("dimension " + std::to_string(dim) + " of an array of rank " + std::to_string(rank) + where(loc));
}

}  // namespace quorl::detail
