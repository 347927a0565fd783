// The six move buttons as the player sees them, and the shortest solution
// written in terms of them. Shared by the tests; independent of the model.
#pragma once

#include <vector>

namespace testmoves {

// Button i takes the top piece of peg kFrom[i] onto peg kTo[i].
constexpr int kFrom[6] = {1, 1, 2, 2, 3, 3};
constexpr int kTo[6] = {2, 3, 1, 3, 2, 1};

inline int button(int from, int to)
{
    for (int b = 0; b < 6; ++b)
        if (kFrom[b] == from && kTo[b] == to)
            return b;
    return -1;
}

// The 2^n - 1 buttons that carry n pieces from peg `from` to peg `to`.
inline void solve(int n, int from, int to, std::vector<int>& buttons)
{
    if (n == 0)
        return;
    const int via = 6 - from - to;
    solve(n - 1, from, via, buttons);
    buttons.push_back(button(from, to));
    solve(n - 1, via, to, buttons);
}

inline std::vector<int> shortestSolution(int n, int to)
{
    std::vector<int> buttons;
    solve(n, 1, to, buttons);
    return buttons;
}

}  // namespace testmoves
