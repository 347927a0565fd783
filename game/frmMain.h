// The game window: the board, six move buttons, status labels, help and quit.
//
// Life of the window:
//   1. The constructor lays out the window as designed: the board picture
//      with the background, the labels, the arrow buttons, the hidden quit
//      button and the two hidden picture holders used for drawing pieces.
//   2. Form_Load (on the first show) sets up the puzzle and draws the board.
//   3. Each click on move button i is one turn (cmdMove_Click): a refused move
//      shows a message box and changes nothing; an accepted one moves the
//      piece, redraws the whole board, and either advances the move number
//      or ends the game (ShowEnding).
//   4. The quit button (shown once the game has ended) or the close box
//      closes the window, which ends the program.
#pragma once

#include "checked.h"
#include "forms.h"
#include "picture.h"
#include "tower.h"

#include <QWidget>

#include <array>
#include <string>

class QLabel;
class QPushButton;

class frmMain : public QWidget, public platform::Form, private velmo::StatusLabels {
    Q_OBJECT
public:
    // num is the shared piece count (3 to 7); it must outlive the window.
    explicit frmMain(const vb::Long& num, QWidget* parent = nullptr);

    // Controls, as the layout names them.
    platform::PictureBox* picBack;
    QLabel* labQualify;
    QLabel* labStat;
    QPushButton* cmdHelp;
    std::array<QPushButton*, 6> cmdMove;
    platform::PictureBox* picTower;
    platform::PictureBox* picMask;
    QLabel* labEnding;
    QPushButton* cmdQuit;

    const velmo::TowerModel& game() const { return game_; }

    // Redraws the whole board from the background up: the background is
    // reloaded and every piece composited over it with its mask.
    void DrawBoard();

    // What stands where, for screen readers: "下から順に 位置 1: 3, 2, 1 /
    // 位置 2: なし / 位置 3: なし" (piece sizes from the bottom up).
    static QString BoardDescription(const velmo::TowerModel& game);

    // The help file's full path as it is handed to the shell: the
    // application directory, a separator, "velmo.chm"; empty for an empty
    // appPath (the directory is not known).
    static QString HelpFilePath(const QString& appPath);

    // The success and failure texts and the refusal messages.
    static const QString kSolvedText;
    static const QString kFailedText;
    static const QString kRefusalTitle;
    static const QString kNoPieceText;
    static const QString kLargerOnSmallerText;

protected:
    void Form_Load() override;

private:
    void SetQualifyCaption(const std::string& text) override;
    void SetStatCaption(const std::string& text) override;

    void cmdMove_Click(vb::Integer Index);
    void cmdHelp_Click();
    void cmdQuit_Click();
    void ShowEnding(const vb::Long& endCode);
    void DrawPiece(const vb::Long& X, const vb::Long& Y, const vb::Long& Size);

    velmo::TowerModel game_;
};
