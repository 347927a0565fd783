// The shared facts against the model's own data: a stand-in for the window's
// status labels and the tower's invariants. For the tests that drive a
// TowerModel (the model's tests, random play, the fuzzer).
#pragma once

#include "facts.h"
#include "tower.h"

#include <string>
#include <vector>

namespace facts {

// Keeps the captions InitGame hands over, in order.
struct Captions : velmo::StatusLabels {
    std::vector<std::string> qualify, stat;
    void SetQualifyCaption(const std::string& t) override { qualify.push_back(t); }
    void SetStatCaption(const std::string& t) override { stat.push_back(t); }
};

inline std::string describe(const velmo::PegState& peg)
{
    std::string out = std::string("count ") + std::to_string(peg.Count) + ", levels";
    for (velmo::Long k = 0; k <= 8; ++k)
        out.append(" ").append(std::to_string(peg.Level(k)));
    return out;
}

// What is wrong with the model's tower, "" when nothing. First its own rules,
// read straight from the data: record 0 unused, levels 0 and 8 never written,
// every peg filled from level 1 without gaps, sizes strictly decreasing
// upwards, no size twice; then every peg as `pegs` (n pieces in all) has it.
inline std::string invariantBroken(const velmo::TowerModel& m, const Pegs& pegs)
{
    const auto n = static_cast<velmo::Long>(pegs[1].size() + pegs[2].size() + pegs[3].size());
    if (!(m.mTower(0) == velmo::PegState{}))
        return std::string("record 0 written (") + describe(m.mTower(0)) + ")";
    std::vector<int> seen(std::size_t(n) + 1, 0);
    for (velmo::Long p = 1; p <= 3; ++p) {
        const velmo::PegState& peg = m.mTower(p);
        const std::string where = std::string("peg ") + std::to_string(p) + " (" + describe(peg) + "): ";
        if (peg.Count < 0 || peg.Count > n)
            return where + "count out of range";
        if (peg.Level(0) != 0 || peg.Level(8) != 0)
            return where + "level 0 or 8 written";
        for (velmo::Long k = 1; k <= 7; ++k) {
            const velmo::Long size = peg.Level(k);
            const std::string level = std::string(" at level ") + std::to_string(k);
            if (k > peg.Count) {
                if (size != 0)
                    return where + "a piece above the count" + level;
            } else if (size < 1 || size > n) {
                return where + "gap or bad size" + level;
            } else if (k > 1 && size >= peg.Level(k - 1)) {
                return where + "not strictly decreasing" + level;
            } else if (seen[std::size_t(size)]++) {
                return where + "a second piece of size " + std::to_string(size) + level;
            }
        }
        const std::vector<int>& stack = pegs[std::size_t(p)];
        bool same = std::size_t(peg.Count) == stack.size();
        for (std::size_t k = 0; same && k < stack.size(); ++k)
            same = peg.Level(velmo::Long(k) + 1) == stack[k];
        if (!same)
            return where + "the pegs are " + text(pegs);
    }
    return {};
}

}  // namespace facts
