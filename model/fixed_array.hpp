// Fixed-size arrays with explicit bounds for record fields such as
// PSTEP(1:4,1:2), OMJSAVE(0:100) and TLITER(0:100): every access is checked
// against the bounds, first index fastest, like the allocated arrays.
#pragma once

#include <array>
#include <cstddef>
#include <source_location>
#include <string>

#include "io/stop.hpp"

namespace quorl {

namespace detail {
[[noreturn]] inline void fixedBoundsStop(const std::string& what, const std::source_location& loc) {
    io::stop("Index out of bounds: " + what + " at " + loc.file_name() + ":" + std::to_string(loc.line()));
}
}  // namespace detail

template <class T, int Lo, int Hi>
class FixedArray1 {
    static_assert(Hi >= Lo);

public:
    T& operator()(int i, std::source_location loc = std::source_location::current()) {
        check(i, loc);
        return v_[static_cast<std::size_t>(i - Lo)];
    }
    const T& operator()(int i, std::source_location loc = std::source_location::current()) const {
        check(i, loc);
        return v_[static_cast<std::size_t>(i - Lo)];
    }
    static constexpr int lower() { return Lo; }
    static constexpr int upper() { return Hi; }
    void fill(const T& x) { v_.fill(x); }

private:
    static void check(int i, const std::source_location& loc) {
        if (i < Lo || i > Hi) {
            detail::fixedBoundsStop("index " + std::to_string(i) + " outside (" + std::to_string(Lo) + ":" +
                                        std::to_string(Hi) + ")",
                                    loc);
        }
    }
    std::array<T, static_cast<std::size_t>(Hi - Lo + 1)> v_{};
};

template <class T, int Lo1, int Hi1, int Lo2, int Hi2>
class FixedArray2 {
    static_assert(Hi1 >= Lo1 && Hi2 >= Lo2);
    static constexpr int n1 = Hi1 - Lo1 + 1;

public:
    T& operator()(int i, int j, std::source_location loc = std::source_location::current()) {
        check(i, j, loc);
        return v_[static_cast<std::size_t>((i - Lo1) + n1 * (j - Lo2))];
    }
    const T& operator()(int i, int j, std::source_location loc = std::source_location::current()) const {
        check(i, j, loc);
        return v_[static_cast<std::size_t>((i - Lo1) + n1 * (j - Lo2))];
    }
    void fill(const T& x) { v_.fill(x); }

private:
    static void check(int i, int j, const std::source_location& loc) {
        if (i < Lo1 || i > Hi1 || j < Lo2 || j > Hi2) {
            detail::fixedBoundsStop("index (" + std::to_string(i) + "," + std::to_string(j) + ") outside (" +
                                        std::to_string(Lo1) + ":" + std::to_string(Hi1) + "," +
                                        std::to_string(Lo2) + ":" + std::to_string(Hi2) + ")",
                                    loc);
        }
    }
    std::array<T, static_cast<std::size_t>(n1 * (Hi2 - Lo2 + 1))> v_{};
};

}  // namespace quorl
