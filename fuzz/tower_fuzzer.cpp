// libFuzzer target for the puzzle model.
//
// Input layout:
//   byte 0        the piece count: with the top bit clear, 3 + (byte % 5);
//                 with it set, the next four bytes as a raw 32-bit count
//                 (usually outside 3..7).
//   then          button presses, one byte each: below 0xF0 it is button
//                 byte % 6; 0xF0 and above take the next two bytes as a raw
//                 16-bit index (usually outside 0..5).
//
// The model is driven exactly as the game window drives it: CheckMove; when
// it allows the move, MovePiece, then CheckEnd, and the move number advances
// unless the game has ended; an ending stops the game. A shadow of the tower,
// the tests' plain simulation of the pegs, says what every answer must be,
// and the model's invariants are checked after every step. Any disagreement
// aborts.
#include "tower.h"
#include "tower_facts.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using facts::Captions;
using velmo::Long;
using velmo::TowerModel;

namespace {

[[noreturn]] void fail(const char* what, long a = 0, long b = 0)
{
    std::fprintf(stderr, "tower invariant broken: %s (%ld, %ld)\n", what, a, b);
    std::abort();
}

#define EXPECT(cond, ...)                          \
    do {                                           \
        if (!(cond))                               \
            fail(#cond __VA_OPT__(, ) __VA_ARGS__); \
    } while (0)

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t bytes(int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | byte();
        return v;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The model's data, for "nothing changed" comparisons.
struct Snapshot {
    explicit Snapshot(const TowerModel& m)
        : shortest(m.mShortest), turn(m.mTurn), tower(m.mTower), levelY(m.mLevelY),
          pegX(m.mPegX), moveDef(m.mMoveDef)
    {
    }
    bool operator==(const Snapshot&) const = default;

    decltype(TowerModel::mShortest) shortest;
    Long turn;
    decltype(TowerModel::mTower) tower;
    decltype(TowerModel::mLevelY) levelY;
    decltype(TowerModel::mPegX) pegX;
    decltype(TowerModel::mMoveDef) moveDef;
};

void checkInvariants(const TowerModel& m, const facts::Pegs& shadow, Long n)
{
    const std::string broken = facts::invariantBroken(m, shadow);
    if (!broken.empty())
        fail(broken.c_str());
    EXPECT(m.mTurn >= 1 && m.mTurn <= m.mShortest(n), m.mTurn);
}

// A count outside 3..7: InitGame raises before any caption, and only the
// table of shortest move counts has been filled.
void badCount(Long n)
{
    TowerModel model(n);
    const Snapshot before(model);
    Captions captions;
    try {
        model.InitGame(captions);
        fail("InitGame accepted a bad count", n);
    } catch (const vb::RuntimeError& e) {
        EXPECT(e.kind() == vb::ErrorKind::SubscriptOutOfRange, n);
    }
    EXPECT(captions.qualify.empty() && captions.stat.empty(), n);
    Snapshot after(model);
    for (Long k = 3; k <= 7; ++k)
        EXPECT(after.shortest(k) == facts::moveBudget(k), k);
    after.shortest = before.shortest;
    EXPECT(after == before, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    const std::uint8_t first = in.byte();
    const Long n = (first & 0x80) ? static_cast<Long>(in.bytes(4)) : 3 + first % 5;
    if (n < 3 || n > 7) {
        badCount(n);
        return 0;
    }

    TowerModel model(n);
    Captions captions;
    model.InitGame(captions);
    EXPECT(captions.qualify.size() == 1 && captions.stat.size() == 1);
    EXPECT(captions.qualify[0] == facts::qualifyCaption(n), n);
    EXPECT(captions.stat[0] == facts::statCaption(1));
    EXPECT(model.mShortest(n) == facts::moveBudget(n), n);

    facts::Pegs shadow = facts::startPegs(n);
    checkInvariants(model, shadow, n);

    while (!in.empty()) {
        const std::uint8_t b = in.byte();
        const std::int16_t index =
            b < 0xF0 ? static_cast<std::int16_t>(b % 6) : static_cast<std::int16_t>(in.bytes(2));
        const Snapshot before(model);

        if (index < 0 || index > 5) {
            try {
                (void)model.CheckMove(index);
                fail("CheckMove accepted a bad index", index);
            } catch (const vb::RuntimeError& e) {
                EXPECT(e.kind() == vb::ErrorKind::SubscriptOutOfRange, index);
            }
            EXPECT(Snapshot(model) == before, index);
            continue;
        }

        const Long expected = facts::check(shadow, index);
        const Long result = model.CheckMove(index);
        EXPECT(result == expected, result, expected);
        if (result != 0) {
            EXPECT(Snapshot(model) == before, index);
            continue;
        }

        model.MovePiece(index);
        facts::apply(shadow, index);
        EXPECT(model.mTurn == before.turn);
        checkInvariants(model, shadow, n);

        const Long end = model.CheckEnd();
        const Long expectedEnd = facts::ending(shadow, model.mTurn);
        EXPECT(end == expectedEnd, end, expectedEnd);
        if (end != 0)
            break;  // the game is over: the window hides its move buttons
        model.mTurn = vb::add(model.mTurn, 1);
        checkInvariants(model, shadow, n);
    }
    return 0;
}
