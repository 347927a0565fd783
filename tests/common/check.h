// A small test harness for the tests that run with either back end, the
// Windows one under Wine included, where Qt Test is not there. A case is a
// function; a failed check ends its case and the run goes on with the next.
// The run prints one line per failure and closes with "N passed, N failed".
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace check {

struct Failure {
    std::string what;
};

using Case = void (*)();
// Registers a case under its name; cases run in the order they are defined.
int add(const char* name, Case run);
[[noreturn]] void fail(const char* file, int line, const std::string& what);
// Runs every case, or those whose name contains argv[1]; returns the number
// of failed cases (one when no case matches).
int runAll(int argc, char* argv[]);

template <typename T>
void print(std::ostream& out, const T& value)
{
    if constexpr (requires { out << value; })
        out << value;
    else
        out << "?";
}

template <typename A, typename B>
std::string describe(const char* a, const char* b, const A& x, const B& y)
{
    std::ostringstream out;
    out << a << " == " << b << " (";
    print(out, x);
    out << " vs ";
    print(out, y);
    out << ")";
    return out.str();
}

}  // namespace check

#define TEST_CASE(name)                                      \
    static void name();                                      \
    static const int name##_registered = check::add(#name, name); \
    static void name()

#define CHECK(cond)                                          \
    do {                                                     \
        if (!(cond))                                         \
            check::fail(__FILE__, __LINE__, #cond);          \
    } while (false)

#define CHECK_EQ(a, b)                                                         \
    do {                                                                       \
        const auto& check_a_ = (a);                                            \
        const auto& check_b_ = (b);                                            \
        if (!(check_a_ == check_b_))                                           \
            check::fail(__FILE__, __LINE__, check::describe(#a, #b, check_a_, check_b_)); \
    } while (false)

#define CHECK_MSG(cond, message)                                               \
    do {                                                                       \
        if (!(cond))                                                           \
            check::fail(__FILE__, __LINE__, std::string(#cond) + ": " + (message)); \
    } while (false)

// The expression raises vb::RuntimeError of that kind.
#define CHECK_RAISES(errorKind, expr)                                          \
    do {                                                                       \
        bool check_raised_ = false;                                            \
        try {                                                                  \
            (void)(expr);                                                      \
        } catch (const vb::RuntimeError& check_e_) {                           \
            check_raised_ = check_e_.kind() == (errorKind);                    \
        }                                                                      \
        if (!check_raised_)                                                    \
            check::fail(__FILE__, __LINE__, std::string(#expr) + " did not raise " #errorKind); \
    } while (false)
