// The puzzle model against an independent statement of the rules.
#include "tower.h"

#include "check.h"
#include "tower_facts.h"

#include <array>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

using velmo::Long;
using velmo::TowerModel;

namespace {

using facts::Captions;
using facts::kFrom;
using facts::kTo;
using facts::Pegs;

// Lays pegs into the model's arrays.
void place(TowerModel& m, const Pegs& pegs)
{
    for (Long p = 1; p <= 3; ++p) {
        m.mTower(p) = velmo::PegState{};
        for (const int s : pegs[std::size_t(p)]) {
            m.mTower(p).Count += 1;
            m.mTower(p).Level(m.mTower(p).Count) = s;
        }
    }
}

TowerModel* started(Long& num, Captions& captions)
{
    auto* m = new TowerModel(num);
    m->InitGame(captions);
    return m;
}

// Runs one row of a table case; a failure in it names the row.
template <typename Body>
void row(const std::string& name, Body body)
{
    try {
        body();
    } catch (check::Failure& f) {
        f.what = "[" + name + "] " + f.what;
        throw;
    }
}

// Every piece count with either target peg.
struct Target {
    int n;
    int target;
    std::string name() const { return std::to_string(n) + " to peg " + std::to_string(target); }
};

std::vector<Target> everyTarget()
{
    std::vector<Target> rows;
    for (int n = 3; n <= 7; ++n)
        for (int target : {2, 3})
            rows.push_back({n, target});
    return rows;
}

}  // namespace

TEST_CASE(checkedArithmetic)
{
    constexpr Long max = std::numeric_limits<Long>::max();
    constexpr Long min = std::numeric_limits<Long>::min();
    CHECK_EQ(vb::add(max - 1, 1), max);
    CHECK_EQ(vb::sub(min + 1, 1), min);
    CHECK_EQ(vb::mul(-46341, 46340), -2147441940);
    for (auto overflow : {+[] { vb::add(max, 1); }, +[] { vb::sub(min, 1); },
                          +[] { vb::mul(65536, 32768); }, +[] { vb::sub(0, min); }}) {
        bool raised = false;
        try {
            overflow();
        } catch (const vb::RuntimeError& e) {
            raised = true;
            CHECK(e.kind() == vb::ErrorKind::Overflow);
            CHECK_EQ(e.number(), 6);
        }
        CHECK_MSG(raised, "no overflow raised");
    }
}

TEST_CASE(bankersRounding)
{
    const struct {
        const char* name;
        double value;
        int expected;
    } rows[] = {
        {"0.5", 0.5, 0},
        {"1.5", 1.5, 2},
        {"2.5", 2.5, 2},
        {"-2.5", -2.5, -2},
        {"2.4999", 2.4999, 2},
        {"97.5", 97.5, 98},
        {"98.5", 98.5, 98},
        {"98.501", 98.501, 99},
        {"2^31-1", 2147483647.0, 2147483647},
        {"-2^31-0.5 rounds in range", -2147483648.5, std::numeric_limits<int>::min()},
    };
    for (const auto& r : rows)
        row(r.name, [&] { CHECK_EQ(vb::roundToLong(r.value), r.expected); });
}

TEST_CASE(boundedArrays)
{
    vb::Array<Long, 3, 7> a;
    for (Long i = 3; i <= 7; ++i)
        CHECK_EQ(a(i), 0);
    a(3) = 11;
    a(7) = 77;
    CHECK_EQ(a(3), 11);
    CHECK_EQ(a(7), 77);
    for (Long bad : {2, 8, -1, std::numeric_limits<Long>::min()})
        CHECK_RAISES(vb::ErrorKind::SubscriptOutOfRange, a(bad) = 1);
    for (double bad : {2147483648.0, -2147483649.0, std::numeric_limits<double>::quiet_NaN()})
        CHECK_RAISES(vb::ErrorKind::Overflow, vb::roundToLong(bad));
}

TEST_CASE(initialTower)
{
    for (int n = 3; n <= 7; ++n) {
        row(std::to_string(n), [&] {
            Long num = n;
            Captions captions;
            std::unique_ptr<TowerModel> m(started(num, captions));

            CHECK_EQ(captions.qualify, std::vector<std::string>{facts::qualifyCaption(n)});
            CHECK_EQ(captions.stat, std::vector<std::string>{facts::statCaption(1)});
            CHECK_EQ(m->mTurn, 1);
            for (Long k = 3; k <= 7; ++k)
                CHECK_EQ(m->mShortest(k), facts::moveBudget(k));

            CHECK_EQ(m->mTower(1).Count, n);
            for (Long k = 1; k <= 8; ++k)
                CHECK_EQ(m->mTower(1).Level(k), k <= n ? n - k + 1 : 0);
            for (Long p : {0, 2, 3})
                CHECK_EQ(m->mTower(p), velmo::PegState{});

            CHECK_EQ(m->mPegX(0), 0);
            for (Long p = 1; p <= 3; ++p)
                CHECK_EQ(m->mPegX(p), facts::pieceLeft(p));
            CHECK_EQ(m->mLevelY(0), 0);
            for (Long k = 1; k <= 7; ++k)
                CHECK_EQ(m->mLevelY(k), facts::pieceTop(k - 1));
            for (Long i = 0; i <= 5; ++i) {
                CHECK_EQ(m->mMoveDef(i).FromPeg, kFrom[i]);
                CHECK_EQ(m->mMoveDef(i).ToPeg, kTo[i]);
            }

            // First move: only the two buttons under peg 1 are allowed.
            for (vb::Integer i = 0; i <= 5; ++i)
                CHECK_EQ(m->CheckMove(i), i < 2 ? 0 : 1);
            CHECK_EQ(m->CheckEnd(), 0);
        });
    }
}

TEST_CASE(badCountFailsBeforeCaptions)
{
    const struct {
        const char* name;
        int n;
    } rows[] = {
        {"closed start dialog", 0},
        {"2", 2},
        {"8", 8},
        {"-5", -5},
    };
    for (const auto& r : rows) {
        row(r.name, [&] {
            Long num = r.n;
            TowerModel m(num);
            Captions captions;
            CHECK_RAISES(vb::ErrorKind::SubscriptOutOfRange, m.InitGame(captions));
            CHECK(captions.qualify.empty());
            CHECK(captions.stat.empty());
            CHECK_EQ(m.mShortest(7), 127);  // filled before the lookup
            CHECK_EQ(m.mTurn, 0);
            CHECK_EQ(m.mTower(1), velmo::PegState{});
            CHECK_EQ(m.mPegX(1), 0);
            CHECK_EQ(m.mLevelY(1), 0);
            CHECK_EQ(m.mMoveDef(0), velmo::MoveDef{});
        });
    }
}

TEST_CASE(buttonIndexOutOfRange)
{
    Long num = 3;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    const auto before = m->mTower;
    for (vb::Integer bad : {vb::Integer{-1}, vb::Integer{6}, vb::Integer{32767}}) {
        CHECK_RAISES(vb::ErrorKind::SubscriptOutOfRange, m->CheckMove(bad));
        CHECK_RAISES(vb::ErrorKind::SubscriptOutOfRange, m->MovePiece(bad));
    }
    CHECK(m->mTower == before);
}

// Breadth-first through every position reachable from the start; in each,
// every button's check, the move's outcome and the end test must agree with
// the shared rules, and the model's arrays must keep their invariants.
TEST_CASE(everyReachableState)
{
    for (int n = 3; n <= 7; ++n) {
        row(std::to_string(n), [&] {
            Long num = n;
            Captions captions;
            std::unique_ptr<TowerModel> m(started(num, captions));
            const Long budget = m->mShortest(n);

            std::map<Pegs, bool> seen;
            std::deque<Pegs> queue{facts::startPegs(n)};
            seen[queue.front()] = true;
            int checked = 0;
            while (!queue.empty()) {
                const Pegs pos = queue.front();
                queue.pop_front();
                for (Long turn : {Long{1}, budget - 1, budget}) {
                    place(*m, pos);
                    m->mTurn = turn;
                    const Long end = m->CheckEnd();
                    CHECK_MSG(end == facts::ending(pos, turn), "end " + std::to_string(end) + " at "
                                                                   + facts::text(pos) + ", turn "
                                                                   + std::to_string(turn));
                }
                for (int b = 0; b < 6; ++b) {
                    place(*m, pos);
                    const auto button = static_cast<vb::Integer>(b);
                    const int expected = facts::check(pos, b);
                    const Long answer = m->CheckMove(button);
                    CHECK_MSG(answer == expected, "button " + std::to_string(b) + " answers "
                                                      + std::to_string(answer) + " at " + facts::text(pos));
                    if (expected != 0)
                        continue;
                    m->MovePiece(button);
                    Pegs next = pos;
                    facts::apply(next, b);
                    const std::string broken = facts::invariantBroken(*m, next);
                    CHECK_MSG(broken.empty(),
                              "button " + std::to_string(b) + " at " + facts::text(pos) + ": " + broken);
                    ++checked;
                    if (!seen[next]) {
                        seen[next] = true;
                        queue.push_back(next);
                    }
                }
            }
            // Every one of the 3^n positions is reachable.
            int all = 1;
            for (int i = 0; i < n; ++i)
                all *= 3;
            CHECK_EQ(static_cast<int>(seen.size()), all);
            CHECK(checked > all);
        });
    }
}

TEST_CASE(shortestSolutionSolvesOnLastMove)
{
    for (const Target& r : everyTarget()) {
        row(r.name(), [&] {
            const int n = r.n;
            Long num = n;
            Captions captions;
            std::unique_ptr<TowerModel> m(started(num, captions));
            const std::vector<int> buttons = facts::shortestSolution(n, r.target);
            CHECK_EQ(static_cast<Long>(buttons.size()), m->mShortest(n));

            for (std::size_t i = 0; i < buttons.size(); ++i) {
                const auto b = static_cast<vb::Integer>(buttons[i]);
                CHECK_EQ(m->CheckMove(b), 0);
                m->MovePiece(b);
                const Long end = m->CheckEnd();
                if (i + 1 < buttons.size()) {
                    CHECK_EQ(end, 0);
                    m->mTurn += 1;
                } else {
                    CHECK_EQ(m->mTurn, m->mShortest(n));  // the last allowed move
                    CHECK_EQ(end, 1);
                }
            }
            CHECK_EQ(m->mTower(r.target).Count, n);
        });
    }
}

// The smallest piece shuttles between peg 1 and the other peg: every move is
// allowed and nothing is ever solved.
TEST_CASE(budgetRunsOutOnLastMove)
{
    for (const Target& r : everyTarget()) {
        row(r.name(), [&] {
            Long num = r.n;
            Captions captions;
            std::unique_ptr<TowerModel> m(started(num, captions));
            const vb::Integer out = r.target == 2 ? 0 : 1;
            const vb::Integer back = r.target == 2 ? 2 : 5;
            const Long budget = m->mShortest(r.n);
            for (Long move = 1; move <= budget; ++move) {
                const vb::Integer b = (move % 2) ? out : back;
                CHECK_EQ(m->CheckMove(b), 0);
                m->MovePiece(b);
                const Long end = m->CheckEnd();
                CHECK_EQ(end, move == budget ? 2 : 0);
                if (end == 0)
                    m->mTurn += 1;
            }
            CHECK_EQ(m->mTurn, budget);
        });
    }
}

TEST_CASE(stackBackOnPegOneIsNoSolution)
{
    Long num = 3;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    // 1 -> 2 and back: the full stack stands on peg 1 again.
    m->MovePiece(0);
    CHECK_EQ(m->CheckEnd(), 0);
    m->mTurn += 1;
    CHECK_EQ(m->CheckMove(2), 0);
    m->MovePiece(2);
    CHECK_EQ(m->mTower(1).Count, 3);
    CHECK_EQ(m->CheckEnd(), 0);
    // The larger piece may not go onto the smaller one, in either direction.
    m->MovePiece(0);               // size 1 onto peg 2
    CHECK_EQ(m->CheckMove(0), 2);  // size 2 onto size 1
    CHECK_EQ(m->CheckMove(2), 0);  // size 1 back onto size 2
}

int main(int argc, char* argv[])
{
    return check::runAll(argc, argv) == 0 ? 0 : 1;
}
