// The game window: the board, six move buttons, status labels, help and quit.
//
// Life of the window:
//   1. The constructor builds the window from its definition: the board
//      picture with the background, the labels, the arrow buttons, the hidden
//      quit button and the two hidden picture holders used for drawing.
//   2. Form_Load (on the first show) sets up the puzzle and draws the board.
//   3. Each click on move button i is one turn (cmdMove_Click): a refused move
//      shows a message box and changes nothing; an accepted one moves the
//      piece, redraws the whole board, and either advances the move number
//      or ends the game (ShowEnding).
//   4. The quit button (shown once the game has ended) or the close box
//      unloads the window, which ends the program.
//
// What a screen reader says:
//   - The board holds the focus when the window opens; its description says
//     the piece count, the shortest solution, the move number and the tower.
//   - After an accepted move the window announces which piece went where,
//     the new move number and the tower; the focus stays on the pressed button.
//   - At the ending the focus goes to the board, whose description then
//     starts with the ending text, before the move buttons are hidden; so the
//     reader says the ending once and the focus does not run through the
//     buttons as they disappear. Resting on the board, a held-down Space or
//     Enter does nothing; Tab reaches help and quit.
// No button is a default that Enter would press from elsewhere: Enter presses
// the focused button, like Space.
#pragma once

#include "checked.h"
#include "forms.h"
#include "picture.h"
#include "tower.h"

#include <array>
#include <string>

class frmMain : public platform::Form, private velmo::StatusLabels {
public:
    // num is the shared piece count (3 to 7); it must outlive the window.
    explicit frmMain(const vb::Long& num);

    // Controls, as the layout names them.
    platform::PictureBox& picBack;
    platform::Label& labQualify;
    platform::Label& labStat;
    platform::CommandButton& cmdHelp;
    std::array<platform::CommandButton*, 6> cmdMove;
    platform::PictureBox& picTower;
    platform::PictureBox& picMask;
    platform::Label& labEnding;
    platform::CommandButton& cmdQuit;

    const velmo::TowerModel& game() const { return game_; }

    // Redraws the whole board from the background up: the background is
    // reloaded and every piece composited over it with its mask.
    void DrawBoard();

    // What stands where, for screen readers: "下から順に 位置 1: 3, 2, 1 /
    // 位置 2: なし / 位置 3: なし" (piece sizes from the bottom up).
    static std::string BoardDescription(const velmo::TowerModel& game);

    // The help file's full path as it is handed to the shell: the
    // application directory, the platform's separator, "velmo.chm"; empty
    // for an empty appPath (the directory is not known).
    static std::string HelpFilePath(const std::string& appPath);

    // The window definition.
    static const platform::FormDef kDefinition;

    // The success and failure texts and the refusal messages.
    static const char* const kSolvedText;
    static const char* const kFailedText;
    static const char* const kRefusalTitle;
    static const char* const kNoPieceText;
    static const char* const kLargerOnSmallerText;

protected:
    void Form_Load() override;

private:
    void SetQualifyCaption(const std::string& text) override;
    void SetStatCaption(const std::string& text) override;

    void cmdMove_Click(vb::Integer Index);
    void cmdHelp_Click();
    void cmdQuit_Click();
    void ShowEnding(const vb::Long& endCode);
    void DescribeBoard();
    void DrawPiece(const vb::Long& X, const vb::Long& Y, const vb::Long& Size);

    velmo::TowerModel game_;
    std::string endingDescription_;  // the ending as one line, once the game has ended
};
