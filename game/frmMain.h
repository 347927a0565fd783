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
//
// What a screen reader says:
//   - The board holds the focus when the window opens; its description says
//     the piece count, the shortest solution, the move number and the tower.
//   - After an accepted move the announcer says which piece went where, the
//     new move number and the tower; the focus stays on the pressed button.
//   - At the ending the focus goes to the board, whose description then
//     starts with the ending text, before the move buttons are hidden; so the
//     reader says the ending once and the focus does not run through the
//     buttons as they disappear. Resting on the board, a held-down Space or
//     Enter does nothing; Tab reaches help and quit.
// Enter and Return press the focused button like Space does; no button is a
// default that Enter would press from elsewhere.
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
namespace platform { class Announcer; }

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
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    platform::Announcer* announcer_;  // news of the turn for screen readers
};
