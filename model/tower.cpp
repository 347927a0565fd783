#include "tower.h"

#include <cmath>

namespace velmo {

using vb::add;
using vb::sub;

std::string StatCaption(Long turn)
{
    return "現在 " + std::to_string(turn) + "手目";
}

void TowerModel::InitGame(StatusLabels& labels)
{
    for (Long n = 3; n <= 7; ++n)
        mShortest(n) = vb::roundToLong(std::pow(2.0, n) - 1.0);

    // The lookup comes first so that a bad count fails before any caption
    // changes.
    const Long shortest = mShortest(num_);
    labels.SetQualifyCaption(std::to_string(num_) + "段 / 最短 " + std::to_string(shortest) + "手");
    labels.SetStatCaption(StatCaption(1));
    mTurn = 1;

    mTower(1).Count = num_;
    for (Long j = 1; j <= num_; ++j)
        mTower(1).Level(j) = add(sub(num_, j), 1);

    for (Long p = 1; p <= 3; ++p)
        mPegX(p) = add(vb::mul(sub(p, 1), 120), 60);
    for (Long k = 1; k <= 7; ++k)
        mLevelY(k) = sub(240, vb::mul(sub(k, 1), 20));

    static constexpr MoveDef moves[6] = {{1, 2}, {1, 3}, {2, 1}, {2, 3}, {3, 2}, {3, 1}};
    for (Long i = 0; i <= 5; ++i)
        mMoveDef(i) = moves[i];
}

// The piece on top of a peg: the last non-zero level below the first empty
// one, 0 for an empty peg.
Long TowerModel::TopPiece(Long peg) const
{
    const PegState& state = mTower(peg);
    Long top = 0;
    for (Long k = 1; k <= 7 && state.Level(k) != 0; ++k)
        top = state.Level(k);
    return top;
}

Long TowerModel::CheckMove(Integer Index) const
{
    const MoveDef& move = mMoveDef(Index);
    if (mTower(move.FromPeg).Count == 0)
        return MoveFromEmpty;
    const Long from = TopPiece(move.FromPeg);
    const Long to = TopPiece(move.ToPeg);
    return (to > 0 && from > to) ? MoveOntoSmaller : MoveAllowed;
}

void TowerModel::MovePiece(Integer Index)
{
    const MoveDef move = mMoveDef(Index);

    PegState& from = mTower(move.FromPeg);
    Long piece = 0;
    for (Long i = 1; i <= 7; ++i) {
        if (from.Level(add(i, 1)) == 0) {
            piece = from.Level(i);
            from.Level(i) = 0;
            from.Count = sub(from.Count, 1);
            break;
        }
    }

    PegState& to = mTower(move.ToPeg);
    for (Long i = 1; i <= 7; ++i) {
        if (to.Level(i) == 0) {
            to.Level(i) = piece;
            to.Count = add(to.Count, 1);
            return;
        }
    }
}

Long TowerModel::CheckEnd() const
{
    // Only the counts are compared: with the stacking rule a full peg is a
    // complete stack. Peg 1 is where the game starts, so it never counts.
    if (mTower(2).Count == num_ || mTower(3).Count == num_)
        return GameSolved;
    if (mTurn == mShortest(num_))
        return GameOutOfMoves;
    return GameGoesOn;
}

}  // namespace velmo
