#pragma once

#include <cstdint>

namespace datagen {

// SplitMix64: a tiny generator whose output depends only on the seed, so every
// platform and standard library produces the same data set for the same seed
// (std:: distributions are implementation-defined and would not).
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [lo, hi).
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Uniform integer in [0, n), n > 0.
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(uniform() * n); }

private:
    uint64_t state_;
};

// Derives an independent 32-bit seed for one generator stage from the data set seed.
inline uint32_t stageSeed(uint64_t seed, uint32_t stage)
{
    Random r(seed * 0x100000001B3ull + stage * 0x9E3779B9ull + stage);
    r.next();
    return static_cast<uint32_t>(r.next() >> 32);
}

} // namespace datagen
