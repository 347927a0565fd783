// The puzzle: three pegs, a stack of 3 to 7 pieces, six moves, a move budget.
//
// One TowerModel is one game. The game window owns it and drives it in this
// order:
//   1. InitGame() once, when the window loads: fills the tables, builds the
//      stack on peg 1 and hands the two status captions to the window.
//   2. For every click on move button i: CheckMove(i). Only when it returns 0,
//      MovePiece(i) carries the move out, the window redraws the board and
//      asks CheckEnd(). When that says 0 the window advances mTurn.
// Refused moves change nothing. There is no reset: one window plays one game.
//
// The data is public so the window can draw the tower and count the turns;
// only the routines below change the tower. All indices are checked: see
// platform/checked.h.
#pragma once

#include "checked.h"

#include <string>

namespace velmo {

using vb::Integer;
using vb::Long;

// One peg. Level(k) is the size of the piece at height k (1 = bottom,
// sizes 1 = smallest to 7 = largest), 0 where there is none. Level(0) is
// unused; Level(8) is never written and stops the top-piece search of
// MovePiece, which looks one level above the one it examines.
struct PegState {
    Long Count = 0;
    vb::Array<Long, 0, 8> Level;

    bool operator==(const PegState&) const = default;
};

// The move of one move button: the top piece of FromPeg goes onto ToPeg.
struct MoveDef {
    Long FromPeg = 0;
    Long ToPeg = 0;

    bool operator==(const MoveDef&) const = default;
};

// Results of CheckMove.
enum MoveCheck : Long { MoveAllowed = 0, MoveFromEmpty = 1, MoveOntoSmaller = 2 };
// Results of CheckEnd.
enum EndCheck : Long { GameGoesOn = 0, GameSolved = 1, GameOutOfMoves = 2 };

// Where InitGame puts the two status captions (UTF-8).
class StatusLabels {
public:
    virtual ~StatusLabels() = default;
    virtual void SetQualifyCaption(const std::string& text) = 0;
    virtual void SetStatCaption(const std::string& text) = 0;
};

// "現在 n手目": the number of the current move.
std::string StatCaption(Long turn);

class TowerModel {
public:
    // num is the shared piece count; it is read, never written, and must
    // outlive the model. Everything starts at zero until InitGame.
    explicit TowerModel(const Long& num) : num_(num) {}

    // Sets up the game for the piece count (3 to 7). A count outside that
    // range raises SubscriptOutOfRange at the lookup of its shortest move
    // count, before either caption has been handed over.
    void InitGame(StatusLabels& labels);

    // 0 allowed, 1 the from-peg is empty, 2 a larger piece onto a smaller one.
    // Index 0 to 5; anything else raises SubscriptOutOfRange.
    Long CheckMove(Integer Index) const;

    // Carries out the move of button Index. Only valid right after
    // CheckMove(Index) returned 0; it checks nothing itself.
    void MovePiece(Integer Index);

    // 1 when all pieces stand on peg 2 or on peg 3; otherwise 2 when move
    // number mTurn has used up the budget; otherwise 0.
    Long CheckEnd() const;

    vb::Array<Long, 3, 7> mShortest;    // shortest solution for n pieces
    Long mTurn = 0;                     // number of the current move, from 1
    vb::Array<PegState, 0, 3> mTower;   // pegs 1 to 3; record 0 unused
    vb::Array<Long, 0, 7> mLevelY;      // top edge of a piece image at level k
    vb::Array<Long, 0, 3> mPegX;        // left edge of a piece image on peg p
    vb::Array<MoveDef, 0, 5> mMoveDef;  // the move of move button i

private:
    Long TopPiece(Long peg) const;

    const Long& num_;
};

}  // namespace velmo
