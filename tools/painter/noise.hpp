// Deterministic randomness for the painter. Everything here is plain integer
// hashing and arithmetic, so the same seed gives the same picture with any
// standard library (the std:: distributions are not specified bit for bit).
#pragma once

#include <cstdint>

namespace velmo::paint {

// SplitMix64: a small, well-mixed generator.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in [0, 1).
    double uniform();
    // Uniform in [lo, hi).
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint64_t state_;
};

// Hash of integer lattice coordinates and a seed to [0, 1).
double hash01(std::int64_t x, std::int64_t y, std::uint64_t seed);

// Smoothly interpolated value noise in [0, 1), one lattice cell per unit.
double valueNoise(double x, double y, std::uint64_t seed);

// Sum of octaves of value noise, normalised to about [0, 1).
double fbm(double x, double y, int octaves, std::uint64_t seed);

} // namespace velmo::paint
