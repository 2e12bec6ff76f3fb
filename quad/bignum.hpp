// BigUint: a fixed-capacity unsigned big integer for the exact decimal
// conversions. Limbs are 64 bits, least significant first; only the `n` used
// limbs are ever touched, so a BigUint on the stack costs nothing until used.
// The capacity (16384 bits) holds every intermediate of the conversions: the
// widest is a double-double spanning the whole exponent range scaled by a
// power of five, or a long decimal input scaled to 2^1100.
// Operations that would exceed the capacity throw std::length_error: the
// callers bound their inputs so that this never happens in practice.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace quorl::detail {

__extension__ typedef unsigned __int128 U128;

class BigUint {
public:
    static constexpr int kCapacity = 256;

    BigUint() = default;
    explicit BigUint(std::uint64_t v) { set(v); }
    // Copies touch only the used limbs.
    BigUint(const BigUint& o) : n_(o.n_) { copyLimbs(o); }
    BigUint& operator=(const BigUint& o) {
        n_ = o.n_;
        copyLimbs(o);
        return *this;
    }

    void set(std::uint64_t v) {
        n_ = v != 0 ? 1 : 0;
        w_[0] = v;
    }
    // From a value of up to 128 bits.
    void set128(U128 v) {
        w_[0] = static_cast<std::uint64_t>(v);
        w_[1] = static_cast<std::uint64_t>(v >> 64);
        n_ = w_[1] != 0 ? 2 : (w_[0] != 0 ? 1 : 0);
    }

    int limbs() const { return n_; }
    std::uint64_t limb(int i) const { return i < n_ ? w_[i] : 0; }
    bool isZero() const { return n_ == 0; }
    // Number of significant bits (0 for zero).
    int bitLength() const {
        return n_ == 0 ? 0 : 64 * (n_ - 1) + (64 - __builtin_clzll(w_[n_ - 1]));
    }
    bool bit(int k) const {
        const int i = k >> 6;
        return i < n_ && ((w_[i] >> (k & 63)) & 1U) != 0;
    }
    // True when any bit below position k is set.
    bool anyBelow(int k) const {
        const int full = k >> 6;
        for (int i = 0; i < full && i < n_; ++i) {
            if (w_[i] != 0) {
                return true;
            }
        }
        if (full < n_ && (k & 63) != 0) {
            return (w_[full] & ((std::uint64_t{1} << (k & 63)) - 1)) != 0;
        }
        return false;
    }
    // The low 128 bits (the whole value when it fits).
    U128 low128() const { return (static_cast<U128>(limb(1)) << 64) | limb(0); }

    // *this = *this * m + add
    void mulAdd(std::uint64_t m, std::uint64_t add) {
        U128 carry = add;
        for (int i = 0; i < n_; ++i) {
            const U128 t = static_cast<U128>(w_[i]) * m + carry;
            w_[i] = static_cast<std::uint64_t>(t);
            carry = t >> 64;
        }
        if (carry != 0) {
            push(static_cast<std::uint64_t>(carry));
        }
        trim();
    }
    void mulSmall(std::uint64_t m) { mulAdd(m, 0); }
    void addSmall(std::uint64_t a) {
        for (int i = 0; i < n_ && a != 0; ++i) {
            w_[i] += a;
            a = w_[i] < a ? 1 : 0;
        }
        if (a != 0) {
            push(a);
        }
    }
    void mulPow10(int k) {
        while (k >= 19) {
            mulSmall(10000000000000000000ULL);
            k -= 19;
        }
        if (k > 0) {
            mulSmall(kPow10[k]);
        }
    }
    void mulPow5(int k) {
        while (k >= 27) {
            mulSmall(7450580596923828125ULL);  // 5^27
            k -= 27;
        }
        std::uint64_t p = 1;
        for (int i = 0; i < k; ++i) {
            p *= 5;
        }
        if (p != 1) {
            mulSmall(p);
        }
    }
    void shiftLeft(int k) {
        if (n_ == 0 || k == 0) {
            return;
        }
        const int limbShift = k >> 6, bitShift = k & 63;
        const int newN = n_ + limbShift + 1;
        check(newN);
        w_[newN - 1] = 0;
        for (int i = n_ - 1; i >= 0; --i) {
            const std::uint64_t v = w_[i];
            if (bitShift != 0) {
                w_[i + limbShift + 1] |= v >> (64 - bitShift);
                w_[i + limbShift] = v << bitShift;
            } else {
                w_[i + limbShift] = v;
            }
        }
        for (int i = 0; i < limbShift; ++i) {
            w_[i] = 0;
        }
        n_ = newN;
        trim();
    }
    void shiftRight(int k) {
        const int limbShift = k >> 6, bitShift = k & 63;
        if (limbShift >= n_) {
            n_ = 0;
            return;
        }
        const int newN = n_ - limbShift;
        for (int i = 0; i < newN; ++i) {
            std::uint64_t v = w_[i + limbShift] >> bitShift;
            if (bitShift != 0 && i + limbShift + 1 < n_) {
                v |= w_[i + limbShift + 1] << (64 - bitShift);
            }
            w_[i] = v;
        }
        n_ = newN;
        trim();
    }
    void add(const BigUint& b) {
        const int m = n_ > b.n_ ? n_ : b.n_;
        check(m + 1);
        std::uint64_t carry = 0;
        for (int i = 0; i < m; ++i) {
            const U128 t = static_cast<U128>(limb(i)) + b.limb(i) + carry;
            w_[i] = static_cast<std::uint64_t>(t);
            carry = static_cast<std::uint64_t>(t >> 64);
        }
        n_ = m;
        if (carry != 0) {
            w_[n_++] = carry;
        }
    }
    // *this -= b; requires *this >= b.
    void sub(const BigUint& b) {
        std::uint64_t borrow = 0;
        for (int i = 0; i < n_; ++i) {
            const std::uint64_t bi = b.limb(i);
            const std::uint64_t d = w_[i] - bi - borrow;
            borrow = (w_[i] < bi || (w_[i] == bi && borrow != 0)) ? 1 : 0;
            w_[i] = d;
        }
        trim();
    }
    // *this = *this * b
    void mul(const BigUint& b) {
        if (n_ == 0 || b.n_ == 0) {
            n_ = 0;
            return;
        }
        BigUint r;
        r.n_ = n_ + b.n_;
        check(r.n_);
        for (int i = 0; i < r.n_; ++i) {
            r.w_[i] = 0;
        }
        for (int i = 0; i < n_; ++i) {
            U128 carry = 0;
            for (int j = 0; j < b.n_; ++j) {
                const U128 t = static_cast<U128>(w_[i]) * b.w_[j] + r.w_[i + j] + carry;
                r.w_[i + j] = static_cast<std::uint64_t>(t);
                carry = t >> 64;
            }
            r.w_[i + b.n_] = static_cast<std::uint64_t>(carry);
        }
        r.trim();
        *this = r;
    }
    // Divides by d (nonzero), returning the remainder.
    std::uint64_t divSmall(std::uint64_t d) {
        U128 rem = 0;
        for (int i = n_ - 1; i >= 0; --i) {
            const U128 cur = (rem << 64) | w_[i];
            w_[i] = static_cast<std::uint64_t>(cur / d);
            rem = cur % d;
        }
        trim();
        return static_cast<std::uint64_t>(rem);
    }

    friend int compare(const BigUint& a, const BigUint& b) {
        if (a.n_ != b.n_) {
            return a.n_ < b.n_ ? -1 : 1;
        }
        for (int i = a.n_ - 1; i >= 0; --i) {
            if (a.w_[i] != b.w_[i]) {
                return a.w_[i] < b.w_[i] ? -1 : 1;
            }
        }
        return 0;
    }

    // Long division, one quotient bit at a time: q = *this / d, and *this
    // becomes the remainder. Meant for quotients of a few hundred bits.
    void divMod(const BigUint& d, BigUint& q) {
        q.n_ = 0;
        const int bits = bitLength() - d.bitLength();
        if (bits < 0) {
            return;
        }
        BigUint s = d;
        s.shiftLeft(bits);
        q.n_ = (bits >> 6) + 1;
        check(q.n_);
        for (int i = 0; i < q.n_; ++i) {
            q.w_[i] = 0;
        }
        for (int i = bits; i >= 0; --i) {
            if (compare(*this, s) >= 0) {
                sub(s);
                q.w_[i >> 6] |= std::uint64_t{1} << (i & 63);
            }
            s.shiftRight(1);
        }
        q.trim();
    }

    static constexpr std::uint64_t kPow10[20] = {1ULL,
                                                 10ULL,
                                                 100ULL,
                                                 1000ULL,
                                                 10000ULL,
                                                 100000ULL,
                                                 1000000ULL,
                                                 10000000ULL,
                                                 100000000ULL,
                                                 1000000000ULL,
                                                 10000000000ULL,
                                                 100000000000ULL,
                                                 1000000000000ULL,
                                                 10000000000000ULL,
                                                 100000000000000ULL,
                                                 1000000000000000ULL,
                                                 10000000000000000ULL,
                                                 100000000000000000ULL,
                                                 1000000000000000000ULL,
                                                 10000000000000000000ULL};

private:
    void copyLimbs(const BigUint& o) {
        for (int i = 0; i < n_; ++i) {
            w_[i] = o.w_[i];
        }
    }
    static void check(int n) {
        if (n > kCapacity) {
            throw std::length_error("BigUint: number too large for the decimal conversion");
        }
    }
    void push(std::uint64_t v) {
        check(n_ + 1);
        w_[n_++] = v;
    }
    void trim() {
        while (n_ > 0 && w_[n_ - 1] == 0) {
            --n_;
        }
    }

    int n_ = 0;
    std::uint64_t w_[kCapacity];
};

}  // namespace quorl::detail
