#include "frmMain.h"

#include "announcer.h"
#include "app.h"
#include "runtime.h"

#include <QAccessible>
#include <QBitmap>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <cstdio>
#include <utility>

namespace {

const QString kGothic = QStringLiteral("MS UI Gothic");

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

// The window's labels are all bold Gothic.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                  double points, std::uint32_t colour)
{
    return platform::NewLabel(parent, name, caption, geometry, platform::VbFont(kGothic, points, true),
                              colour);
}

// The arrow picture as an icon with its mid grey left out, so the button face
// shows around the arrow. On screens with more than one device pixel per
// pixel the arrow is enlarged by whole pixels, never smoothed.
QIcon arrowIcon(const QString& arrowFile)
{
    const QImage arrow = platform::FormPicture(arrowFile);
    QIcon icon;
    for (int factor = 1; factor <= 4; ++factor) {
        QPixmap pixmap = QPixmap::fromImage(
            arrow.scaled(arrow.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        pixmap.setMask(pixmap.createMaskFromColor(platform::VbColor(kArrowMaskColor), Qt::MaskInColor));
        pixmap.setDevicePixelRatio(factor);
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A graphical button: light-green face and an arrow picture. Screen readers
// and the tooltip name its move.
QPushButton* makeMoveButton(QWidget* parent, int index, QRect geometry, const QString& arrowFile,
                            const QString& move)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("cmdMove%1").arg(index));
    button->setGeometry(geometry);
    platform::SetButtonFace(button, kLightGreen);
    button->setIcon(arrowIcon(arrowFile));
    button->setIconSize(QSize(40, 20));
    button->setAutoDefault(false);
    button->setAccessibleName(move);
    button->setToolTip(move);
    return button;
}

}  // namespace

const QString frmMain::kSolvedText = QStringLiteral("完成！\r\n\r\nおめでとうございます。");
const QString frmMain::kFailedText = QStringLiteral("残念！\r\n\r\n手数オーバーです。");
const QString frmMain::kRefusalTitle = QStringLiteral("できません");
const QString frmMain::kNoPieceText = QStringLiteral("この位置にはピースがありません");
const QString frmMain::kLargerOnSmallerText =
    QStringLiteral("小さいピースの上に大きいピースは\r\n置けません");

frmMain::frmMain(const vb::Long& num, QWidget* parent) : QWidget(parent), game_(num)
{
    setWindowTitle(QStringLiteral("Velmo"));
    setWindowIcon(QIcon(QPixmap::fromImage(platform::FormPicture(QStringLiteral("velmo.ico")))));
    setFont(platform::VbFont(kGothic, 9, false));
    platform::FixWindow(this, 480, 360, true);

    picBack = new platform::PictureBox(this);
    picBack->setObjectName(QStringLiteral("picBack"));
    picBack->setGeometry(0, 0, 480, 360);
    picBack->setPicture(platform::LoadResPicture(QStringLiteral("BACK"), 0));
    picBack->setFocusPolicy(Qt::StrongFocus);
    picBack->setAccessibleName(QStringLiteral("盤面"));

    labQualify = makeLabel(picBack, "labQualify", QStringLiteral("n段 /最短 n手"),
                           {9, 9, 147, 20}, 12, kWhite);
    labStat = makeLabel(picBack, "labStat", QStringLiteral("現在 n手目"), {181, 9, 122, 20}, 12,
                        kLightCyan);

    cmdHelp = new QPushButton(QStringLiteral("ﾍﾙﾌﾟ(&H)..."), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setGeometry(378, 7, 90, 27);
    cmdHelp->setAutoDefault(false);

    // Upper row: to the neighbouring peg; lower row: the longer moves.
    struct Place { int left, top; const char* arrow; int from, to; };
    static constexpr Place places[6] = {
        {90, 287, "arrow-a.bmp", 1, 2},  {90, 322, "arrow-b.bmp", 1, 3},
        {210, 287, "arrow-c.bmp", 2, 1}, {210, 322, "arrow-a.bmp", 2, 3},
        {330, 287, "arrow-c.bmp", 3, 2}, {330, 322, "arrow-d.bmp", 3, 1},
    };
    for (int i = 0; i < 6; ++i)
        cmdMove[i] = makeMoveButton(picBack, i, {places[i].left, places[i].top, 60, 32},
                                    QLatin1String(places[i].arrow),
                                    QStringLiteral("ピースを %1 から %2 へ移動")
                                        .arg(places[i].from)
                                        .arg(places[i].to));

    picTower = new platform::PictureBox(this);
    picTower->setObjectName(QStringLiteral("picTower"));
    picTower->setGeometry(345, 37, kPieceWidth, kPieceHeight);
    picTower->hide();
    picMask = new platform::PictureBox(this);
    picMask->setObjectName(QStringLiteral("picMask"));
    picMask->setGeometry(345, 76, kPieceWidth, kPieceHeight);
    picMask->hide();

    labEnding = makeLabel(picBack, "labEnding", QString(), {99, 85, 283, 115}, 18, kLightYellow);
    labEnding->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    labEnding->setWordWrap(true);
    labEnding->setAccessibleName(QStringLiteral("結果"));

    cmdQuit = new QPushButton(QStringLiteral("終了(&Q)"), picBack);
    cmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    cmdQuit->setGeometry(193, 206, 94, 31);
    cmdQuit->setAutoDefault(false);
    cmdQuit->hide();

    announcer_ = new platform::Announcer(this);

    // cmdHelp sits on the window in front of the board.
    cmdHelp->raise();

    // Focus order: board, help, the six move buttons, quit.
    QWidget* order[] = {picBack, cmdHelp, cmdMove[0], cmdMove[1], cmdMove[2],
                        cmdMove[3], cmdMove[4], cmdMove[5], cmdQuit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    picBack->setFocus();  // first in the order, so it starts with the focus

    for (QPushButton* button : findChildren<QPushButton*>())
        button->installEventFilter(this);

    for (int i = 0; i < 6; ++i) {
        const auto index = static_cast<vb::Integer>(i);
        connect(cmdMove[i], &QPushButton::clicked, this,
                [this, index] { platform::RunEvent([this, index] { cmdMove_Click(index); }); });
    }
    connect(cmdHelp, &QPushButton::clicked, this,
            [this] { platform::RunEvent([this] { cmdHelp_Click(); }); });
    connect(cmdQuit, &QPushButton::clicked, this,
            [this] { platform::RunEvent([this] { cmdQuit_Click(); }); });
}

void frmMain::Form_Load()
{
    game_.InitGame(*this);
    DrawBoard();
    DescribeBoard();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // One press per stroke, as with Space: a held key does not repeat.
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::SetQualifyCaption(const std::string& text)
{
    labQualify->setText(QString::fromStdString(text));
}

void frmMain::SetStatCaption(const std::string& text)
{
    labStat->setText(QString::fromStdString(text));
}

void frmMain::cmdMove_Click(vb::Integer Index)
{
    const vb::Long result = game_.CheckMove(Index);
    if (result > 0) {
        const QString& message = result == velmo::MoveFromEmpty ? kNoPieceText : kLargerOnSmallerText;
        platform::MsgBox(message, platform::vbExclamation, kRefusalTitle);
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
    labStat->setText(QString::fromStdString(velmo::StatCaption(game_.mTurn)));
    DescribeBoard();

    // The news of the turn; the focus stays on the pressed button.
    const velmo::MoveDef& move = game_.mMoveDef(Index);
    const velmo::PegState& to = game_.mTower(move.ToPeg);
    announcer_->Say(QStringLiteral("ピース %1 を %2 から %3 へ。%4。%5")
                        .arg(to.Level(to.Count))
                        .arg(move.FromPeg)
                        .arg(move.ToPeg)
                        .arg(labStat->text(), BoardDescription(game_)));
}

void frmMain::ShowEnding(const vb::Long& endCode)
{
    if (endCode == velmo::GameSolved) {
        platform::SetForeColor(labEnding, kYellow);
        labEnding->setText(kSolvedText);
    } else if (endCode == velmo::GameOutOfMoves) {
        platform::SetForeColor(labEnding, kRed);
        labEnding->setText(kFailedText);
    }
    labEnding->setAccessibleDescription(QString(labEnding->text()).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    DescribeBoard();
    // The board takes the focus before the buttons go, so that it does not
    // pass from one disappearing button to the next; a screen reader says
    // the board and with it the ending, once.
    picBack->setFocus(Qt::OtherFocusReason);
    for (QPushButton* button : cmdMove)
        button->setVisible(false);
    cmdQuit->setVisible(true);

    // Where the platform passes alerts on, the ending is raised as one too.
    QAccessibleEvent alert(labEnding, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString frmMain::HelpFilePath(const QString& appPath)
{
    if (appPath.isEmpty())
        return {};
    // Joined as it stands: at the root this gives two separators in a row,
    // which every shell accepts.
    return QDir::toNativeSeparators(appPath) + QDir::separator() + QStringLiteral("velmo.chm");
}

void frmMain::cmdHelp_Click()
{
    // Whatever happens to the file (missing, no viewer) is the desktop's to
    // report; the game goes on either way. Only when the game cannot tell
    // where it is does it say so itself, once.
    const QString file = HelpFilePath(platform::App::Path());
    if (file.isEmpty()) {
        static bool told = false;
        if (!std::exchange(told, true))
            std::fputs("velmo: cannot tell where the program lies; the help file is not opened\n", stderr);
        return;
    }
    platform::ShellOpen(this, file);
}

void frmMain::cmdQuit_Click()
{
    close();
}

void frmMain::DrawBoard()
{
    picBack->setPicture(platform::LoadResPicture(QStringLiteral("BACK"), 0));
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
    QString text = labQualify->text() + QStringLiteral("、") + labStat->text() + QStringLiteral("。")
                   + BoardDescription(game_);
    if (!labEnding->accessibleDescription().isEmpty())
        text.prepend(labEnding->accessibleDescription() + QLatin1Char(' '));
    picBack->setAccessibleDescription(text);
}

QString frmMain::BoardDescription(const velmo::TowerModel& game)
{
    QStringList pegs;
    for (vb::Long p = 1; p <= 3; ++p) {
        QStringList sizes;
        for (vb::Long k = 1; k <= 7 && game.mTower(p).Level(k) != 0; ++k)
            sizes << QString::number(game.mTower(p).Level(k));
        pegs << QStringLiteral("位置 %1: %2").arg(p).arg(sizes.isEmpty() ? QStringLiteral("なし")
                                                                        : sizes.join(QStringLiteral(", ")));
    }
    return QStringLiteral("下から順に ") + pegs.join(QStringLiteral(" / "));
}

void frmMain::DrawPiece(const vb::Long& X, const vb::Long& Y, const vb::Long& Size)
{
    picMask->setPicture(platform::LoadResPicture(vb::add(Size, 200), 0));
    picTower->setPicture(platform::LoadResPicture(vb::add(Size, 100), 0));
    platform::BitBlt(picBack->hDC(), X, Y, kPieceWidth, kPieceHeight, picMask->hDC(), 0, 0,
                     platform::SRCPAINT);
    picBack->setPicture(picBack->Image());
    platform::BitBlt(picBack->hDC(), X, Y, kPieceWidth, kPieceHeight, picTower->hDC(), 0, 0,
                     platform::SRCAND);
    picBack->setPicture(picBack->Image());
}
