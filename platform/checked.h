// Checked 32-bit arithmetic and arrays with declared index bounds.
//
// The game's numbers are 32-bit signed integers (16-bit for a control-array
// index); every sum and every subscript is checked. A violation throws
// vb::RuntimeError, which the event wrapper of the platform layer reports to
// the player before the program ends (see platform/runtime.h). Ordinary play
// never reaches one: the errors exist so that a fault shows itself at once
// instead of corrupting the tower.
//
// Plain C++ without Qt, so that the puzzle model can use it.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace vb {

// Error numbers as the player's error report shows them.
enum class ErrorKind : std::int32_t {
    InvalidProcedureCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    ResourceNotFound = 326,
};

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(ErrorKind kind, const std::string& detail)
        : std::runtime_error(detail), kind_(kind) {}
    ErrorKind kind() const { return kind_; }
    std::int32_t number() const { return static_cast<std::int32_t>(kind_); }

private:
    ErrorKind kind_;
};

[[noreturn]] inline void raise(ErrorKind kind, const std::string& detail)
{
    throw RuntimeError(kind, detail);
}

using Long = std::int32_t;     // the game's integer
using Integer = std::int16_t;  // a control-array index

// Narrows a wide intermediate result to 32 bits or raises Overflow.
inline Long toLong(std::int64_t v)
{
    if (v < std::numeric_limits<Long>::min() || v > std::numeric_limits<Long>::max())
        raise(ErrorKind::Overflow, "32-bit overflow: " + std::to_string(v));
    return static_cast<Long>(v);
}

inline Long add(Long a, Long b) { return toLong(std::int64_t{a} + b); }
inline Long sub(Long a, Long b) { return toLong(std::int64_t{a} - b); }
inline Long mul(Long a, Long b) { return toLong(std::int64_t{a} * b); }

// Converts a real number to a 32-bit integer, rounding to the nearest integer
// with a tie going to the even one (2.5 -> 2, 3.5 -> 4). NaN and values
// outside the 32-bit range raise Overflow.
inline Long roundToLong(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        raise(ErrorKind::Overflow, "value out of 32-bit range");
    const double r = std::nearbyint(v);  // default rounding mode: ties to even
    return toLong(static_cast<std::int64_t>(r));
}

// A fixed-size array whose subscripts run from Lo to Hi inclusive, like
// "Dim a(3 To 7)". Elements start value-initialised (all zero). Every access
// is bounds-checked; a subscript outside Lo..Hi raises SubscriptOutOfRange.
template <typename T, Long Lo, Long Hi>
class Array {
    static_assert(Lo <= Hi, "empty index range");

public:
    static constexpr Long lower = Lo;
    static constexpr Long upper = Hi;

    T& operator()(Long i) { return data_[slot(i)]; }
    const T& operator()(Long i) const { return data_[slot(i)]; }

    bool operator==(const Array&) const = default;

private:
    static std::size_t slot(Long i)
    {
        if (i < Lo || i > Hi)
            raise(ErrorKind::SubscriptOutOfRange,
                  "subscript " + std::to_string(i) + " outside " + std::to_string(Lo) + " to "
                      + std::to_string(Hi));
        return static_cast<std::size_t>(i - Lo);
    }

    std::array<T, static_cast<std::size_t>(Hi - Lo + 1)> data_{};
};

}  // namespace vb
