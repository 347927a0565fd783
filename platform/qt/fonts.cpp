#include "fonts.h"

#include "faces.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

#include <array>
#include <cmath>

namespace platform {

namespace {

// The designed families, each with its installed stand-ins.
constexpr std::array<std::string_view, 2> kDesigned = {"MS UI Gothic", "Times New Roman"};

QStringList standIns(std::string_view family)
{
    QStringList list;
    for (std::string_view face : faces::StandIns(family))
        list << QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    return list;
}

}  // namespace

QString FirstInstalled(const QStringList& faces)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : faces)
        if (installed.contains(face, Qt::CaseInsensitive))
            return face;
    return {};
}

QString InstalledFace(const QString& family)
{
    // Looked up once per run: the font database does not change while the
    // game runs, and naming an installed face spares Qt its search for
    // stand-ins of a family it does not know, on every font it loads.
    static const QHash<QString, QString> resolved = [] {
        QHash<QString, QString> map;
        for (std::string_view designed : kDesigned)
            if (const QString face = FirstInstalled(standIns(designed)); !face.isEmpty())
                map.insert(QString::fromUtf8(designed.data(), static_cast<qsizetype>(designed.size())), face);
        return map;
    }();
    return resolved.value(family, family);
}

QFont VbFont(const QString& family, double points, bool bold)
{
    QFont font(InstalledFace(family));
    font.setPixelSize(faces::Pixels(points));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QColor VbColor(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void SetForeColor(QWidget* control, std::uint32_t bgr)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, VbColor(bgr));
    palette.setColor(QPalette::ButtonText, VbColor(bgr));
    control->setPalette(palette);
}

namespace {

// The application's style, with the command-button panel's face filled in
// the palette's button colour as it is.
class PlainFaceStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_PanelButtonCommand)
            return;
        const QColor face = option->palette.color(QPalette::Button);
        const bool down = option->state & (State_Sunken | State_On);
        painter->fillRect(option->rect.adjusted(2, 2, -2, -2), down ? face.darker(110) : face);
    }
};

}  // namespace

void SetButtonFace(QPushButton* button, std::uint32_t bgr)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, VbColor(bgr));
    button->setPalette(palette);
    // A style of its own, over a fresh instance of the application's (the
    // proxy takes the base), owned by the button.
    auto* style = new PlainFaceStyle(QStyleFactory::create(QApplication::style()->name()));
    style->setParent(button);
    button->setStyle(style);
}


void FixWindow(QWidget* window, int width, int height, bool minimizeButton)
{
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint
                            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (minimizeButton)
        flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(window->windowFlags() | flags);
    window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    window->setWindowFlag(Qt::WindowMinimizeButtonHint, minimizeButton);
    window->setFixedSize(width, height);
    // Centred exactly: as much room left as right, above as below (an odd
    // remainder goes right and below).
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2);
    }
}

void InstallFontSubstitutions()
{
    // VbFont names the installed faces directly; the same chains serve any
    // font that still names a designed family.
    for (std::string_view family : kDesigned) {
        QStringList list = standIns(family);
        const QString designed = list.takeFirst();
        QFont::insertSubstitutions(designed, list);
    }
}

}  // namespace platform
