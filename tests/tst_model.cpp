// The puzzle model against an independent statement of the rules.
#include "tower.h"

#include "moves.h"

#include <QTest>

#include <array>
#include <deque>
#include <limits>
#include <map>
#include <vector>

using velmo::Long;
using velmo::TowerModel;

namespace {

struct Captions : velmo::StatusLabels {
    std::vector<std::string> qualify, stat;
    void SetQualifyCaption(const std::string& t) override { qualify.push_back(t); }
    void SetStatCaption(const std::string& t) override { stat.push_back(t); }
};

// A position as the rules see it: the peg (1-3) of every piece, index 0 = the
// smallest piece.
using Position = std::vector<int>;

using testmoves::kFrom;
using testmoves::kTo;

int smallestOn(const Position& pos, int peg)
{
    for (std::size_t s = 0; s < pos.size(); ++s)
        if (pos[s] == peg)
            return static_cast<int>(s) + 1;
    return 0;
}

int expectedCheck(const Position& pos, int button)
{
    const int from = smallestOn(pos, kFrom[button]);
    const int to = smallestOn(pos, kTo[button]);
    if (from == 0)
        return 1;
    return (to != 0 && from > to) ? 2 : 0;
}

int expectedEnd(const Position& pos, Long turn)
{
    bool all2 = true, all3 = true;
    for (int p : pos) {
        all2 = all2 && p == 2;
        all3 = all3 && p == 3;
    }
    if (all2 || all3)
        return 1;
    return turn == (1 << pos.size()) - 1 ? 2 : 0;
}

// Lays a position into the model's arrays: every peg from the largest piece up.
void place(TowerModel& m, const Position& pos)
{
    for (Long p = 1; p <= 3; ++p) {
        m.mTower(p) = velmo::PegState{};
        for (int s = static_cast<int>(pos.size()); s >= 1; --s) {
            if (pos[s - 1] == p) {
                m.mTower(p).Count += 1;
                m.mTower(p).Level(m.mTower(p).Count) = s;
            }
        }
    }
}

// Reads the model's arrays back into a position, checking every invariant on
// the way: no gaps, strictly decreasing sizes, counts that match, each piece
// exactly once, Level(0), Level(8) and record 0 untouched.
Position readBack(const TowerModel& m, int n)
{
    Position pos(n, 0);
    Long total = 0;
    if (!(m.mTower(0) == velmo::PegState{}))
        return {};
    for (Long p = 1; p <= 3; ++p) {
        const auto& peg = m.mTower(p);
        if (peg.Level(0) != 0 || peg.Level(8) != 0 || peg.Count < 0 || peg.Count > n)
            return {};
        for (Long k = 1; k <= 7; ++k) {
            const Long size = peg.Level(k);
            if (k > peg.Count) {
                if (size != 0)
                    return {};
                continue;
            }
            if (size < 1 || size > n || pos[size - 1] != 0)
                return {};
            if (k > 1 && size >= peg.Level(k - 1))
                return {};
            pos[size - 1] = static_cast<int>(p);
        }
        total += peg.Count;
    }
    return total == n ? pos : Position{};
}

TowerModel* started(Long& num, Captions& captions)
{
    auto* m = new TowerModel(num);
    m->InitGame(captions);
    return m;
}

}  // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void checkedArithmetic();
    void bankersRounding_data();
    void bankersRounding();
    void boundedArrays();

    void initialTower_data();
    void initialTower();
    void badCountFailsBeforeCaptions_data();
    void badCountFailsBeforeCaptions();
    void buttonIndexOutOfRange();

    void everyReachableState_data();
    void everyReachableState();
    void shortestSolutionSolvesOnLastMove_data();
    void shortestSolutionSolvesOnLastMove();
    void budgetRunsOutOnLastMove_data();
    void budgetRunsOutOnLastMove();
    void stackBackOnPegOneIsNoSolution();
};

void TestModel::checkedArithmetic()
{
    constexpr Long max = std::numeric_limits<Long>::max();
    constexpr Long min = std::numeric_limits<Long>::min();
    QCOMPARE(vb::add(max - 1, 1), max);
    QCOMPARE(vb::sub(min + 1, 1), min);
    QCOMPARE(vb::mul(-46341, 46340), -2147441940);
    for (auto overflow : {+[] { vb::add(max, 1); }, +[] { vb::sub(min, 1); },
                          +[] { vb::mul(65536, 32768); }, +[] { vb::sub(0, min); }}) {
        try {
            overflow();
            QFAIL("no overflow raised");
        } catch (const vb::RuntimeError& e) {
            QCOMPARE(e.kind(), vb::ErrorKind::Overflow);
            QCOMPARE(e.number(), 6);
        }
    }
}

void TestModel::bankersRounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.4999") << 2.4999 << 2;
    QTest::newRow("97.5") << 97.5 << 98;
    QTest::newRow("98.5") << 98.5 << 98;
    QTest::newRow("98.501") << 98.501 << 99;
    QTest::newRow("2^31-1") << 2147483647.0 << 2147483647;
    QTest::newRow("-2^31-0.5 rounds in range") << -2147483648.5 << std::numeric_limits<int>::min();
}

void TestModel::bankersRounding()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(vb::roundToLong(value), expected);
}

void TestModel::boundedArrays()
{
    vb::Array<Long, 3, 7> a;
    for (Long i = 3; i <= 7; ++i)
        QCOMPARE(a(i), 0);
    a(3) = 11;
    a(7) = 77;
    QCOMPARE(a(3), 11);
    QCOMPARE(a(7), 77);
    for (Long bad : {2, 8, -1, std::numeric_limits<Long>::min()}) {
        try {
            a(bad) = 1;
            QFAIL("no subscript error");
        } catch (const vb::RuntimeError& e) {
            QCOMPARE(e.kind(), vb::ErrorKind::SubscriptOutOfRange);
        }
    }
    for (double bad : {2147483648.0, -2147483649.0, std::numeric_limits<double>::quiet_NaN()})
        QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, vb::roundToLong(bad));
}

void TestModel::initialTower_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("qualify");
    QTest::newRow("3") << 3 << QStringLiteral("3段 / 最短 7手");
    QTest::newRow("4") << 4 << QStringLiteral("4段 / 最短 15手");
    QTest::newRow("5") << 5 << QStringLiteral("5段 / 最短 31手");
    QTest::newRow("6") << 6 << QStringLiteral("6段 / 最短 63手");
    QTest::newRow("7") << 7 << QStringLiteral("7段 / 最短 127手");
}

void TestModel::initialTower()
{
    QFETCH(int, n);
    QFETCH(QString, qualify);
    Long num = n;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));

    QCOMPARE(captions.qualify, std::vector<std::string>{qualify.toStdString()});
    QCOMPARE(captions.stat, std::vector<std::string>{"現在 1手目"});
    QCOMPARE(m->mTurn, 1);
    const Long shortest[] = {7, 15, 31, 63, 127};
    for (Long k = 3; k <= 7; ++k)
        QCOMPARE(m->mShortest(k), shortest[k - 3]);

    QCOMPARE(m->mTower(1).Count, n);
    for (Long k = 1; k <= 8; ++k)
        QCOMPARE(m->mTower(1).Level(k), k <= n ? n - k + 1 : 0);
    for (Long p : {0, 2, 3})
        QCOMPARE(m->mTower(p), velmo::PegState{});

    QCOMPARE(m->mPegX(0), 0);
    QCOMPARE(m->mPegX(1), 60);
    QCOMPARE(m->mPegX(2), 180);
    QCOMPARE(m->mPegX(3), 300);
    QCOMPARE(m->mLevelY(0), 0);
    for (Long k = 1; k <= 7; ++k)
        QCOMPARE(m->mLevelY(k), 260 - 20 * k);
    for (Long i = 0; i <= 5; ++i) {
        QCOMPARE(m->mMoveDef(i).FromPeg, kFrom[i]);
        QCOMPARE(m->mMoveDef(i).ToPeg, kTo[i]);
    }

    // First move: only the two buttons under peg 1 are allowed.
    for (vb::Integer i = 0; i <= 5; ++i)
        QCOMPARE(m->CheckMove(i), i < 2 ? 0 : 1);
    QCOMPARE(m->CheckEnd(), 0);
}

void TestModel::badCountFailsBeforeCaptions_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("closed start dialog") << 0;
    QTest::newRow("2") << 2;
    QTest::newRow("8") << 8;
    QTest::newRow("-5") << -5;
}

void TestModel::badCountFailsBeforeCaptions()
{
    QFETCH(int, n);
    Long num = n;
    TowerModel m(num);
    Captions captions;
    try {
        m.InitGame(captions);
        QFAIL("a bad count was accepted");
    } catch (const vb::RuntimeError& e) {
        QCOMPARE(e.kind(), vb::ErrorKind::SubscriptOutOfRange);
    }
    QVERIFY(captions.qualify.empty());
    QVERIFY(captions.stat.empty());
    QCOMPARE(m.mShortest(7), 127);  // filled before the lookup
    QCOMPARE(m.mTurn, 0);
    QCOMPARE(m.mTower(1), velmo::PegState{});
    QCOMPARE(m.mPegX(1), 0);
    QCOMPARE(m.mLevelY(1), 0);
    QCOMPARE(m.mMoveDef(0), velmo::MoveDef{});
}

void TestModel::buttonIndexOutOfRange()
{
    Long num = 3;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    const auto before = m->mTower;
    for (vb::Integer bad : {vb::Integer{-1}, vb::Integer{6}, vb::Integer{32767}}) {
        QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, m->CheckMove(bad));
        QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, m->MovePiece(bad));
    }
    QVERIFY(m->mTower == before);
}

void TestModel::everyReachableState_data()
{
    QTest::addColumn<int>("n");
    for (int n = 3; n <= 7; ++n)
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

// Breadth-first through every position reachable from the start; in each,
// every button's check, the move's outcome and the end test must agree with
// the rules stated above, and the model's arrays must keep their invariants.
void TestModel::everyReachableState()
{
    QFETCH(int, n);
    Long num = n;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    const Long budget = m->mShortest(n);

    std::map<Position, bool> seen;
    std::deque<Position> queue{Position(n, 1)};
    seen[queue.front()] = true;
    int checked = 0;
    while (!queue.empty()) {
        const Position pos = queue.front();
        queue.pop_front();
        for (Long turn : {Long{1}, budget - 1, budget}) {
            place(*m, pos);
            m->mTurn = turn;
            QCOMPARE(m->CheckEnd(), expectedEnd(pos, turn));
        }
        for (int b = 0; b < 6; ++b) {
            place(*m, pos);
            const auto button = static_cast<vb::Integer>(b);
            const int expected = expectedCheck(pos, b);
            QCOMPARE(m->CheckMove(button), expected);
            if (expected != 0)
                continue;
            m->MovePiece(button);
            Position next = pos;
            next[smallestOn(pos, kFrom[b]) - 1] = kTo[b];
            const Position after = readBack(*m, n);
            QVERIFY2(!after.empty(), "invariants broken after a move");
            QCOMPARE(after, next);
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
    QCOMPARE(static_cast<int>(seen.size()), all);
    QVERIFY(checked > all);
}

void TestModel::shortestSolutionSolvesOnLastMove_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("target");
    for (int n = 3; n <= 7; ++n)
        for (int target : {2, 3})
            QTest::newRow(qPrintable(QStringLiteral("%1 to peg %2").arg(n).arg(target)))
                << n << target;
}

void TestModel::shortestSolutionSolvesOnLastMove()
{
    QFETCH(int, n);
    QFETCH(int, target);
    Long num = n;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    const std::vector<int> buttons = testmoves::shortestSolution(n, target);
    QCOMPARE(static_cast<Long>(buttons.size()), m->mShortest(n));

    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const auto b = static_cast<vb::Integer>(buttons[i]);
        QCOMPARE(m->CheckMove(b), 0);
        m->MovePiece(b);
        const Long end = m->CheckEnd();
        if (i + 1 < buttons.size()) {
            QCOMPARE(end, 0);
            m->mTurn += 1;
        } else {
            QCOMPARE(m->mTurn, m->mShortest(n));  // the last allowed move
            QCOMPARE(end, 1);
        }
    }
    QCOMPARE(m->mTower(target).Count, n);
}

void TestModel::budgetRunsOutOnLastMove_data()
{
    shortestSolutionSolvesOnLastMove_data();
}

// The smallest piece shuttles between peg 1 and the other peg: every move is
// allowed and nothing is ever solved.
void TestModel::budgetRunsOutOnLastMove()
{
    QFETCH(int, n);
    QFETCH(int, target);
    Long num = n;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    const vb::Integer out = target == 2 ? 0 : 1;
    const vb::Integer back = target == 2 ? 2 : 5;
    const Long budget = m->mShortest(n);
    for (Long move = 1; move <= budget; ++move) {
        const vb::Integer b = (move % 2) ? out : back;
        QCOMPARE(m->CheckMove(b), 0);
        m->MovePiece(b);
        const Long end = m->CheckEnd();
        QCOMPARE(end, move == budget ? 2 : 0);
        if (end == 0)
            m->mTurn += 1;
    }
    QCOMPARE(m->mTurn, budget);
}

void TestModel::stackBackOnPegOneIsNoSolution()
{
    Long num = 3;
    Captions captions;
    std::unique_ptr<TowerModel> m(started(num, captions));
    // 1 -> 2 and back: the full stack stands on peg 1 again.
    m->MovePiece(0);
    QCOMPARE(m->CheckEnd(), 0);
    m->mTurn += 1;
    QCOMPARE(m->CheckMove(2), 0);
    m->MovePiece(2);
    QCOMPARE(m->mTower(1).Count, 3);
    QCOMPARE(m->CheckEnd(), 0);
    // The larger piece may not go onto the smaller one, in either direction.
    m->MovePiece(0);      // size 1 onto peg 2
    QCOMPARE(m->CheckMove(0), 2);  // size 2 onto size 1
    QCOMPARE(m->CheckMove(2), 0);  // size 1 back onto size 2
}

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
