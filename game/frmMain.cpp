#include "frmMain.h"

#include "app.h"
#include "runtime.h"

#include <cstdio>
#include <utility>

namespace {

using platform::ControlDef;
using platform::Kind;

constexpr const char* kGothic = "MS UI Gothic";

// Colours as 0x00BBGGRR.
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kLightCyan = 0x00FFFFC0;
constexpr std::uint32_t kLightYellow = 0x00C0FFFF;
constexpr std::uint32_t kLightGreen = 0x00C0FFC0;
constexpr std::uint32_t kYellow = 0x0000FFFF;
constexpr std::uint32_t kRed = 0x000000FF;
constexpr std::uint32_t kArrowMaskColor = 0x00808080;

constexpr int kPieceWidth = 120;
constexpr int kPieceHeight = 30;

// A move button: the light-green face and an arrow whose mid grey is left
// out. Its name for screen readers (and its tooltip) says the move. The upper
// row moves to the neighbouring peg, the lower row the longer moves.
constexpr ControlDef moveButton(const char* name, int left, int top, const char* arrow, int tab,
                                const char* move)
{
    return {.kind = Kind::GraphicalButton, .name = name, .parent = "picBack",
            .rect = {left, top, 60, 32}, .color = kLightGreen, .tabIndex = tab,
            .picture = arrow, .maskColor = kArrowMaskColor, .accessibleName = move};
}

constexpr ControlDef kControls[] = {
    {.kind = Kind::PictureBox, .name = "picBack", .rect = {0, 0, 480, 360}, .tabIndex = 0,
     .flags = platform::TakesFocus, .accessibleName = "盤面"},
    {.kind = Kind::Label, .name = "labQualify", .parent = "picBack", .rect = {9, 9, 147, 20},
     .caption = "n段 /最短 n手", .font = {kGothic, 12, true}, .color = kWhite, .tabIndex = 1},
    {.kind = Kind::Label, .name = "labStat", .parent = "picBack", .rect = {181, 9, 122, 20},
     .caption = "現在 n手目", .font = {kGothic, 12, true}, .color = kLightCyan, .tabIndex = 2},
    {.kind = Kind::CommandButton, .name = "cmdHelp", .rect = {378, 7, 90, 27},
     .caption = "ﾍﾙﾌﾟ(&H)...", .tabIndex = 3},
    moveButton("cmdMove0", 90, 287, "arrow-a.bmp", 4, "ピースを 1 から 2 へ移動"),
    moveButton("cmdMove1", 90, 322, "arrow-b.bmp", 5, "ピースを 1 から 3 へ移動"),
    moveButton("cmdMove2", 210, 287, "arrow-c.bmp", 6, "ピースを 2 から 1 へ移動"),
    moveButton("cmdMove3", 210, 322, "arrow-a.bmp", 7, "ピースを 2 から 3 へ移動"),
    moveButton("cmdMove4", 330, 287, "arrow-c.bmp", 8, "ピースを 3 から 2 へ移動"),
    moveButton("cmdMove5", 330, 322, "arrow-d.bmp", 9, "ピースを 3 から 1 へ移動"),
    {.kind = Kind::PictureBox, .name = "picTower", .rect = {345, 37, kPieceWidth, kPieceHeight},
     .tabIndex = 10, .flags = platform::Hidden},
    {.kind = Kind::PictureBox, .name = "picMask", .rect = {345, 76, kPieceWidth, kPieceHeight},
     .tabIndex = 11, .flags = platform::Hidden},
    {.kind = Kind::Label, .name = "labEnding", .parent = "picBack", .rect = {99, 85, 283, 115},
     .caption = "", .font = {kGothic, 18, true}, .color = kLightYellow, .tabIndex = 12,
     .flags = platform::CentredText, .accessibleName = "結果"},
    {.kind = Kind::CommandButton, .name = "cmdQuit", .parent = "picBack", .rect = {193, 206, 94, 31},
     .caption = "終了(&Q)", .tabIndex = 13, .flags = platform::Hidden},
};

}  // namespace

const platform::FormDef frmMain::kDefinition = {
    .name = "frmMain",
    .caption = "Velmo",
    .width = 480,
    .height = 360,
    .dialog = false,
    .minimizeButton = true,
    .font = {kGothic, 9, false},
    .icon = "velmo.ico",
    .controls = kControls,
};

const char* const frmMain::kSolvedText = "完成！\r\n\r\nおめでとうございます。";
const char* const frmMain::kFailedText = "残念！\r\n\r\n手数オーバーです。";
const char* const frmMain::kRefusalTitle = "できません";
const char* const frmMain::kNoPieceText = "この位置にはピースがありません";
const char* const frmMain::kLargerOnSmallerText = "小さいピースの上に大きいピースは\r\n置けません";

frmMain::frmMain(const vb::Long& num)
    : Form(kDefinition),
      picBack(Find<platform::PictureBox>("picBack")),
      labQualify(Find<platform::Label>("labQualify")),
      labStat(Find<platform::Label>("labStat")),
      cmdHelp(Find<platform::CommandButton>("cmdHelp")),
      cmdMove{&Find<platform::CommandButton>("cmdMove0"), &Find<platform::CommandButton>("cmdMove1"),
              &Find<platform::CommandButton>("cmdMove2"), &Find<platform::CommandButton>("cmdMove3"),
              &Find<platform::CommandButton>("cmdMove4"), &Find<platform::CommandButton>("cmdMove5")},
      picTower(Find<platform::PictureBox>("picTower")),
      picMask(Find<platform::PictureBox>("picMask")),
      labEnding(Find<platform::Label>("labEnding")),
      cmdQuit(Find<platform::CommandButton>("cmdQuit")),
      game_(num)
{
    // The board's design-time picture is the background itself.
    picBack.SetPicture(platform::LoadResPicture("BACK", 0));

    for (std::size_t i = 0; i < cmdMove.size(); ++i) {
        const auto index = static_cast<vb::Integer>(i);
        cmdMove[i]->onClick = [this, index] { cmdMove_Click(index); };
    }
    cmdHelp.onClick = [this] { cmdHelp_Click(); };
    cmdQuit.onClick = [this] { cmdQuit_Click(); };
}

void frmMain::Form_Load()
{
    game_.InitGame(*this);
    DrawBoard();
    DescribeBoard();
}

void frmMain::SetQualifyCaption(const std::string& text)
{
    labQualify.SetCaption(text);
}

void frmMain::SetStatCaption(const std::string& text)
{
    labStat.SetCaption(text);
}

void frmMain::cmdMove_Click(vb::Integer Index)
{
    const vb::Long result = game_.CheckMove(Index);
    if (result > 0) {
        platform::MsgBox(result == velmo::MoveFromEmpty ? kNoPieceText : kLargerOnSmallerText,
                         platform::vbExclamation, kRefusalTitle);
        return;
    }

    game_.MovePiece(Index);
    DrawBoard();
    const vb::Long endCode = game_.CheckEnd();
    if (endCode > 0) {
        ShowEnding(endCode);
        return;
    }
    game_.mTurn = vb::add(game_.mTurn, 1);
    labStat.SetCaption(velmo::StatCaption(game_.mTurn));
    DescribeBoard();

    // The news of the turn; the focus stays on the pressed button.
    const velmo::MoveDef& move = game_.mMoveDef(Index);
    const velmo::PegState& to = game_.mTower(move.ToPeg);
    Announce("ピース " + std::to_string(to.Level(to.Count)) + " を " + std::to_string(move.FromPeg)
             + " から " + std::to_string(move.ToPeg) + " へ。" + labStat.Caption() + "。"
             + BoardDescription(game_));
}

void frmMain::ShowEnding(const vb::Long& endCode)
{
    if (endCode == velmo::GameSolved) {
        labEnding.SetForeColor(kYellow);
        labEnding.SetCaption(kSolvedText);
    } else if (endCode == velmo::GameOutOfMoves) {
        labEnding.SetForeColor(kRed);
        labEnding.SetCaption(kFailedText);
    }
    // The ending as one line: each line break becomes a space.
    endingDescription_.clear();
    for (const char c : labEnding.Caption()) {
        if (c == '\n')
            endingDescription_ += ' ';
        else if (c != '\r')
            endingDescription_ += c;
    }
    labEnding.SetDescription(endingDescription_);
    DescribeBoard();
    // The board takes the focus before the buttons go, so that it does not
    // pass from one disappearing button to the next; a screen reader says
    // the board and with it the ending, once.
    picBack.SetFocus();
    for (platform::CommandButton* button : cmdMove)
        button->SetVisible(false);
    cmdQuit.SetVisible(true);
    labEnding.Alert();
}

std::string frmMain::HelpFilePath(const std::string& appPath)
{
    if (appPath.empty())
        return {};
    // Joined as it stands: at the root this gives two separators in a row,
    // which every shell accepts.
    return appPath + platform::PathSeparator() + "velmo.chm";
}

void frmMain::cmdHelp_Click()
{
    // Whatever happens to the file (missing, no viewer) is the desktop's to
    // report; the game goes on either way. Only when the game cannot tell
    // where it is does it say so itself, once.
    const std::string file = HelpFilePath(platform::App::Path());
    if (file.empty()) {
        static bool told = false;
        if (!std::exchange(told, true))
            std::fputs("velmo: cannot tell where the program lies; the help file is not opened\n", stderr);
        return;
    }
    platform::ShellOpen(this, file);
}

void frmMain::cmdQuit_Click()
{
    Unload();
}

void frmMain::DrawBoard()
{
    picBack.SetPicture(platform::LoadResPicture("BACK", 0));
    for (vb::Long p = 1; p <= 3; ++p) {
        for (vb::Long k = 1; k <= 7; ++k) {
            const vb::Long size = game_.mTower(p).Level(k);
            if (size == 0)
                break;  // the levels above are empty too
            DrawPiece(game_.mPegX(p), game_.mLevelY(k), size);
        }
    }
}

void frmMain::DescribeBoard()
{
    // "[ending ]3段 / 最短 7手、現在 1手目。下から順に …"
    std::string text = labQualify.Caption() + "、" + labStat.Caption() + "。" + BoardDescription(game_);
    if (!endingDescription_.empty())
        text = endingDescription_ + " " + text;
    picBack.SetDescription(text);
}

std::string frmMain::BoardDescription(const velmo::TowerModel& game)
{
    std::string text = "下から順に ";
    for (vb::Long p = 1; p <= 3; ++p) {
        if (p > 1)
            text += " / ";
        text += "位置 " + std::to_string(p) + ": ";
        if (game.mTower(p).Level(1) == 0)
            text += "なし";
        for (vb::Long k = 1; k <= 7 && game.mTower(p).Level(k) != 0; ++k)
            text += (k > 1 ? ", " : "") + std::to_string(game.mTower(p).Level(k));
    }
    return text;
}

void frmMain::DrawPiece(const vb::Long& X, const vb::Long& Y, const vb::Long& Size)
{
    picMask.SetPicture(platform::LoadResPicture(vb::add(Size, 200), 0));
    picTower.SetPicture(platform::LoadResPicture(vb::add(Size, 100), 0));
    platform::BitBlt(picBack.hDC(), X, Y, kPieceWidth, kPieceHeight, picMask.hDC(), 0, 0,
                     platform::SRCPAINT);
    picBack.SetPicture(picBack.Image());
    platform::BitBlt(picBack.hDC(), X, Y, kPieceWidth, kPieceHeight, picTower.hDC(), 0, 0,
                     platform::SRCAND);
    picBack.SetPicture(picBack.Image());
}
