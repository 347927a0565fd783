#include "frmStart.h"

#include "announcer.h"
#include "app.h"
#include "modMain.h"
#include "runtime.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace {

constexpr std::uint32_t kWhite = 0x00FFFFFF;

const QString kGothic = QStringLiteral("MS UI Gothic");
const QString kTimes = QStringLiteral("Times New Roman");

}  // namespace

QString VersionText(vb::Integer major, vb::Integer minor, vb::Integer revision)
{
    QString text = QStringLiteral("Ver.") + QString::number(major) + QLatin1Char('.')
                   + QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0'));
    if (revision > 999) {
        const vb::Long code = vb::roundToLong(revision / 1000.0 + 97 - 1);
        text += QChar(static_cast<char16_t>(code));
    }
    return text;
}

frmStart::frmStart(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Velmo"));
    setFont(platform::VbFont(kGothic, 9, false));
    platform::FixWindow(this, 320, 240, false);
    title_ = platform::FormPicture(QStringLiteral("title.bmp"));

    labVer = platform::NewLabel(this, "labVer", QStringLiteral("Ver."), {190, 25, 105, 25},
                                platform::VbFont(kTimes, 15.75, true), kWhite);

    cboNum = new platform::ComboBox(this);
    cboNum->setObjectName(QStringLiteral("cboNum"));
    cboNum->setGeometry(193, 119, 47, 30);
    cboNum->setFont(platform::VbFont(kTimes, 14.25, true));
    cboNum->setEditable(false);
    cboNum->setAccessibleName(QStringLiteral("段数"));
    cboNum->addItems({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                      QStringLiteral("6"), QStringLiteral("7")});

    Label1 = platform::NewLabel(this, "Label1", QStringLiteral("段"), {253, 126, 16, 16},
                                platform::VbFont(kGothic, 12, true), kWhite);
    Label1->setBuddy(cboNum);

    cmdStart = new QPushButton(QStringLiteral("スタート(&S)"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setGeometry(107, 205, 101, 27);
    cmdStart->setDefault(true);

    cmdQuit = new QPushButton(QStringLiteral("終了(&Q)"), this);
    cmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    cmdQuit->setGeometry(214, 205, 101, 27);

    // Screen readers say neither the choice of this combo box on focus nor
    // its changes. The description ("5段") is read out with the focus, and
    // the announcer says every change.
    auto* announcer = new platform::Announcer(this);
    connect(cboNum, &QComboBox::currentTextChanged, cboNum, [this, announcer](const QString& text) {
        cboNum->setAccessibleDescription(text + QStringLiteral("段"));
        if (cboNum->hasFocus())
            announcer->Say(cboNum->accessibleDescription());
    });

    setTabOrder(cboNum, cmdStart);
    setTabOrder(cmdStart, cmdQuit);
    cboNum->setFocus();

    connect(cmdStart, &QPushButton::clicked, this,
            [this] { platform::RunEvent([this] { cmdStart_Click(); }); });
    connect(cmdQuit, &QPushButton::clicked, this,
            [this] { platform::RunEvent([this] { cmdQuit_Click(); }); });
}

void frmStart::Form_Load()
{
    cboNum->setCurrentIndex(2);
    ShowVersion();
}

void frmStart::ShowVersion()
{
    labVer->setText(VersionText(platform::App::Major(), platform::App::Minor(),
                                platform::App::Revision()));
}

void frmStart::cmdStart_Click()
{
    bool ok = false;
    const double value = cboNum->currentText().toDouble(&ok);
    if (!ok)
        vb::raise(vb::ErrorKind::TypeMismatch, "piece count is not a number");
    modMain::gNum = vb::roundToLong(value);
    Unload();
}

void frmStart::cmdQuit_Click()
{
    platform::End();
}

void frmStart::Unload()
{
    unloading_ = true;
    done(QDialog::Accepted);
}

void frmStart::reject()
{
    if (!unloading_ && !platform::Ended())
        platform::RunEvent([this] { cmdQuit_Click(); });
    // Reached only when a test's exit seam lets End() return.
    unloading_ = true;
    QDialog::reject();
}

void frmStart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, title_);
}
