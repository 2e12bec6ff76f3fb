// Bounded arrays: Array1<T> and Array2<T> carry explicit lower and upper
// bounds in each dimension (lower 1 unless given), and store their elements
// with the first index fastest (column-major for Array2), as the system's
// arrays are laid out.
//
//   Array1<Quad> y(1, n);         // y(1) .. y(n)
//   Array2<Quad> a(0, n, 1, m);   // a(0,1) .. a(n,m), a(i,j) next to a(i+1,j)
//
// Every element access a(i), a(i, j) is checked: an index outside the bounds
// stops the run (io::Stop) with a message naming the index, the bounds and
// the source file, line and function of the access. A hot loop checks its
// whole range once instead, then reads without a check per element:
//
//   y.checkRange(1, n);
//   for (int i = 1; i <= n; ++i) sum += y.atUnchecked(i);
//   std::span<Quad> col = a.column(j);  // checked j, the whole column
//
// atUnchecked is meant only after such a check (it asserts in debug builds).
//
// Arrays are values: copying one copies its elements (like an array
// assignment), moving one is cheap and leaves the source empty. A new array
// is empty (bounds 1:0) until allocated; allocate gives fresh elements,
// resize keeps those whose indices lie in both the old and the new bounds.
// An upper bound may be one below the lower (an empty dimension), not less.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <source_location>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace quorl {

namespace detail {
// The stops of the arrays, out of line so that the checked accessors stay
// small. Each throws io::Stop.
[[noreturn]] void arrayIndexStop(int i, int lower, int upper, std::source_location loc);
[[noreturn]] void arrayIndexStop(int i, int j, int lower1, int upper1, int lower2, int upper2,
                                 std::source_location loc);
[[noreturn]] void arrayRangeStop(int dim, int from, int to, int lower, int upper, const std::source_location& loc);
[[noreturn]] void arrayBoundsStop(int lower, int upper, const std::source_location& loc);
[[noreturn]] void arrayDimStop(int dim, int rank, const std::source_location& loc);

// The storage of Array2: memory that comes zeroed from the system
// (calloc), so that an array of zeros of a trivial type is allocated
// without writing it. For a large array the pages are then zeroed by the
// system as they are first written, by whichever thread writes them, not
// all at once by the thread that allocates. Default construction of such
// elements writes nothing: the vector's own resize from empty (in
// allocate) is the only place it happens, on fresh zeroed memory.
template <class T>
struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <class U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) > 0 || !std::is_trivial_v<U>) {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    }
    template <class U>
    bool operator==(const ZeroedAllocator<U>&) const noexcept {
        return true;
    }
};

// Whether a value's bytes are all zero (the value a zeroed allocation holds).
template <class T>
bool zeroBits(const T& value) {
    if constexpr (std::is_trivial_v<T>) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        return std::all_of(bytes, bytes + sizeof(T), [](unsigned char b) { return b == 0; });
    } else {
        return false;
    }
}

inline std::size_t extentOf(int lower, int upper, const std::source_location& loc) {
    if (upper < lower - 1) {
        arrayBoundsStop(lower, upper, loc);
    }
    return static_cast<std::size_t>(static_cast<long long>(upper) - lower + 1);
}
}  // namespace detail

template <class T>
class Array1 {
public:
    Array1() = default;
    explicit Array1(int upper, std::source_location loc = std::source_location::current()) {
        allocate(1, upper, T{}, loc);
    }
    Array1(int lower, int upper, std::source_location loc = std::source_location::current()) {
        allocate(lower, upper, T{}, loc);
    }
    Array1(const Array1&) = default;
    Array1& operator=(const Array1&) = default;
    Array1(Array1&& o) noexcept : lower_(o.lower_), upper_(o.upper_), data_(std::move(o.data_)) { o.clear(); }
    Array1& operator=(Array1&& o) noexcept {
        if (this == &o) {
            return *this;
        }
        lower_ = o.lower_;
        upper_ = o.upper_;
        data_ = std::move(o.data_);
        o.clear();
        return *this;
    }

    // Fresh elements, all `value`.
    void allocate(int lower, int upper, const T& value = T{},
                  std::source_location loc = std::source_location::current()) {
        const std::size_t n = detail::extentOf(lower, upper, loc);
        data_.assign(n, value);
        lower_ = lower;
        upper_ = upper;
    }
    // New bounds, keeping the elements whose index lies in both the old and
    // the new bounds; the others are T{}.
    void resize(int lower, int upper, std::source_location loc = std::source_location::current()) {
        Array1 next(lower, upper, loc);
        for (int i = std::max(lower, lower_); i <= std::min(upper, upper_); ++i) {
            next.atUnchecked(i) = std::move(atUnchecked(i));
        }
        *this = std::move(next);
    }
    void clear() {
        data_.clear();
        lower_ = 1;
        upper_ = 0;
    }
    void fill(const T& value) { data_.assign(data_.size(), value); }

    int lower(int dim = 1, std::source_location loc = std::source_location::current()) const {
        checkDim(dim, loc);
        return lower_;
    }
    int upper(int dim = 1, std::source_location loc = std::source_location::current()) const {
        checkDim(dim, loc);
        return upper_;
    }
    std::size_t size() const { return data_.size(); }
    bool empty() const { return data_.empty(); }

    T& operator()(int i, std::source_location loc = std::source_location::current()) {
        if (i < lower_ || i > upper_) [[unlikely]] {
            detail::arrayIndexStop(i, lower_, upper_, loc);
        }
        return data_[offset(i)];
    }
    const T& operator()(int i, std::source_location loc = std::source_location::current()) const {
        if (i < lower_ || i > upper_) [[unlikely]] {
            detail::arrayIndexStop(i, lower_, upper_, loc);
        }
        return data_[offset(i)];
    }

    // Checks once that every index from..to lies within the bounds (an empty
    // range, to < from, always does).
    void checkRange(int from, int to, std::source_location loc = std::source_location::current()) const {
        if (from <= to && (from < lower_ || to > upper_)) [[unlikely]] {
            detail::arrayRangeStop(1, from, to, lower_, upper_, loc);
        }
    }
    // Only for an index already covered by checkRange.
    T& atUnchecked(int i) {
        assert(i >= lower_ && i <= upper_);
        return data_[offset(i)];
    }
    const T& atUnchecked(int i) const {
        assert(i >= lower_ && i <= upper_);
        return data_[offset(i)];
    }
    // The elements from..to, checked once; element k of the span is index from + k.
    std::span<T> span(int from, int to, std::source_location loc = std::source_location::current()) {
        checkRange(from, to, loc);
        return from > to ? std::span<T>() : std::span<T>(data_.data() + offset(from), static_cast<std::size_t>(to - from + 1));
    }
    std::span<const T> span(int from, int to, std::source_location loc = std::source_location::current()) const {
        checkRange(from, to, loc);
        return from > to ? std::span<const T>()
                         : std::span<const T>(data_.data() + offset(from), static_cast<std::size_t>(to - from + 1));
    }
    // All elements, in index order.
    std::span<T> all() { return std::span<T>(data_); }
    std::span<const T> all() const { return std::span<const T>(data_); }

private:
    std::size_t offset(int i) const { return static_cast<std::size_t>(static_cast<long long>(i) - lower_); }
    void checkDim(int dim, const std::source_location& loc) const {
        if (dim != 1) {
            detail::arrayDimStop(dim, 1, loc);
        }
    }

    int lower_ = 1;
    int upper_ = 0;
    std::vector<T> data_;
};

template <class T>
class Array2 {
public:
    Array2() = default;
    // a(1:upper1, 1:upper2)
    Array2(int upper1, int upper2, std::source_location loc = std::source_location::current()) {
        allocate(1, upper1, 1, upper2, T{}, loc);
    }
    Array2(int lower1, int upper1, int lower2, int upper2,
           std::source_location loc = std::source_location::current()) {
        allocate(lower1, upper1, lower2, upper2, T{}, loc);
    }
    Array2(const Array2&) = default;
    Array2& operator=(const Array2&) = default;
    Array2(Array2&& o) noexcept
        : lower1_(o.lower1_), upper1_(o.upper1_), lower2_(o.lower2_), upper2_(o.upper2_), n1_(o.n1_),
          data_(std::move(o.data_)) {
        o.clear();
    }
    Array2& operator=(Array2&& o) noexcept {
        if (this == &o) {
            return *this;
        }
        lower1_ = o.lower1_;
        upper1_ = o.upper1_;
        lower2_ = o.lower2_;
        upper2_ = o.upper2_;
        n1_ = o.n1_;
        data_ = std::move(o.data_);
        o.clear();
        return *this;
    }

    void allocate(int lower1, int upper1, int lower2, int upper2, const T& value = T{},
                  std::source_location loc = std::source_location::current()) {
        const std::size_t n1 = detail::extentOf(lower1, upper1, loc);
        const std::size_t n2 = detail::extentOf(lower2, upper2, loc);
        if (detail::zeroBits(value)) {
            // Fresh zeroed memory: nothing written here.
            Storage fresh;
            fresh.resize(n1 * n2);
            data_ = std::move(fresh);
        } else {
            data_.assign(n1 * n2, value);
        }
        lower1_ = lower1;
        upper1_ = upper1;
        lower2_ = lower2;
        upper2_ = upper2;
        n1_ = n1;
    }
    // New bounds, keeping the elements whose indices lie in both the old and
    // the new bounds; the others are T{}.
    void resize(int lower1, int upper1, int lower2, int upper2,
                std::source_location loc = std::source_location::current()) {
        Array2 next(lower1, upper1, lower2, upper2, loc);
        for (int j = std::max(lower2, lower2_); j <= std::min(upper2, upper2_); ++j) {
            for (int i = std::max(lower1, lower1_); i <= std::min(upper1, upper1_); ++i) {
                next.atUnchecked(i, j) = std::move(atUnchecked(i, j));
            }
        }
        *this = std::move(next);
    }
    // Drops the columns beyond upper2 (upper2 between lower2 - 1 and the
    // present upper bound), keeping the others where they are: no copy.
    void truncateLast(int upper2) {
        upper2 = std::clamp(upper2, lower2_ - 1, upper2_);
        data_.resize(static_cast<std::size_t>(static_cast<long long>(upper2) - lower2_ + 1) * n1_);
        upper2_ = upper2;
    }
    void clear() {
        data_.clear();
        lower1_ = lower2_ = 1;
        upper1_ = upper2_ = 0;
        n1_ = 0;
    }
    void fill(const T& value) { data_.assign(data_.size(), value); }

    int lower(int dim, std::source_location loc = std::source_location::current()) const {
        checkDim(dim, loc);
        return dim == 1 ? lower1_ : lower2_;
    }
    int upper(int dim, std::source_location loc = std::source_location::current()) const {
        checkDim(dim, loc);
        return dim == 1 ? upper1_ : upper2_;
    }
    std::size_t size() const { return data_.size(); }
    bool empty() const { return data_.empty(); }

    T& operator()(int i, int j, std::source_location loc = std::source_location::current()) {
        check(i, j, loc);
        return data_[offset(i, j)];
    }
    const T& operator()(int i, int j, std::source_location loc = std::source_location::current()) const {
        check(i, j, loc);
        return data_[offset(i, j)];
    }

    // Checks once that every (i, j) with i in from1..to1 and j in from2..to2
    // lies within the bounds (an empty range always does).
    void checkRange(int from1, int to1, int from2, int to2,
                    std::source_location loc = std::source_location::current()) const {
        if (from1 > to1 || from2 > to2) {
            return;
        }
        if (from1 < lower1_ || to1 > upper1_) [[unlikely]] {
            detail::arrayRangeStop(1, from1, to1, lower1_, upper1_, loc);
        }
        if (from2 < lower2_ || to2 > upper2_) [[unlikely]] {
            detail::arrayRangeStop(2, from2, to2, lower2_, upper2_, loc);
        }
    }
    T& atUnchecked(int i, int j) {
        assert(i >= lower1_ && i <= upper1_ && j >= lower2_ && j <= upper2_);
        return data_[offset(i, j)];
    }
    const T& atUnchecked(int i, int j) const {
        assert(i >= lower1_ && i <= upper1_ && j >= lower2_ && j <= upper2_);
        return data_[offset(i, j)];
    }
    // Column j, checked once: element k of the span is a(lower(1) + k, j).
    std::span<T> column(int j, std::source_location loc = std::source_location::current()) {
        checkColumn(j, loc);
        return std::span<T>(data_.data() + offset(lower1_, j), n1_);
    }
    std::span<const T> column(int j, std::source_location loc = std::source_location::current()) const {
        checkColumn(j, loc);
        return std::span<const T>(data_.data() + offset(lower1_, j), n1_);
    }
    // All elements, first index fastest.
    std::span<T> all() { return std::span<T>(data_); }
    std::span<const T> all() const { return std::span<const T>(data_); }

private:
    std::size_t offset(int i, int j) const {
        return static_cast<std::size_t>(static_cast<long long>(i) - lower1_) +
               static_cast<std::size_t>(static_cast<long long>(j) - lower2_) * n1_;
    }
    void check(int i, int j, const std::source_location& loc) const {
        if (i < lower1_ || i > upper1_ || j < lower2_ || j > upper2_) [[unlikely]] {
            detail::arrayIndexStop(i, j, lower1_, upper1_, lower2_, upper2_, loc);
        }
    }
    void checkColumn(int j, const std::source_location& loc) const {
        if (j < lower2_ || j > upper2_) [[unlikely]] {
            detail::arrayRangeStop(2, j, j, lower2_, upper2_, loc);
        }
    }
    void checkDim(int dim, const std::source_location& loc) const {
        if (dim != 1 && dim != 2) {
            detail::arrayDimStop(dim, 2, loc);
        }
    }

    int lower1_ = 1;
    int upper1_ = 0;
    int lower2_ = 1;
    int upper2_ = 0;
    std::size_t n1_ = 0;
    using Storage = std::vector<T, detail::ZeroedAllocator<T>>;
    Storage data_;
};

}  // namespace quorl
