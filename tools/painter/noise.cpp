#include "noise.hpp"

#include <cmath>

namespace velmo::paint {

namespace {

std::uint64_t mix64(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double toUnit(std::uint64_t v)
{
    // The top 53 bits make an exactly representable fraction.
    return static_cast<double>(v >> 11) * 0x1.0p-53;
}

} // namespace

std::uint64_t Rng::next()
{
    state_ += 0x9E3779B97F4A7C15ull;
    return mix64(state_);
}

double Rng::uniform() { return toUnit(next()); }


double hash01(std::int64_t x, std::int64_t y, std::uint64_t seed)
{
    const std::uint64_t h = mix64(static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull
                                  ^ mix64(static_cast<std::uint64_t>(y) + 0x632BE59BD9B4E019ull) ^ seed);
    return toUnit(h);
}

double valueNoise(double x, double y, std::uint64_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    double tx = x - fx;
    double ty = y - fy;
    tx = tx * tx * (3.0 - 2.0 * tx);
    ty = ty * ty * (3.0 - 2.0 * ty);
    const double a = hash01(ix, iy, seed);
    const double b = hash01(ix + 1, iy, seed);
    const double c = hash01(ix, iy + 1, seed);
    const double d = hash01(ix + 1, iy + 1, seed);
    const double top = a + (b - a) * tx;
    const double bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double fbm(double x, double y, int octaves, std::uint64_t seed)
{
    double sum = 0.0;
    double amp = 0.5;
    double norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(x, y, seed + static_cast<std::uint64_t>(i) * 0x51ED27ull);
        norm += amp;
        amp *= 0.5;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
    }
    return sum / norm;
}

} // namespace velmo::paint
