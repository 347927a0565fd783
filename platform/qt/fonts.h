// Fonts and colours of the window definitions, as Qt takes them.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

class QPushButton;
class QWidget;

namespace platform {

// A font as the window definitions give it: family and size in points at the
// standard 96 dots per inch, so a 9-point caption is 12 pixels high whatever
// the screen says. The family is the installed face that stands in for it.
QFont VbFont(const QString& family, double points, bool bold);

// The installed face that stands in for a designed family ("MS UI Gothic",
// "Times New Roman"), resolved on the first call, once per run; a family
// without an installed stand-in is returned as it is, for the font
// configuration to match.
QString InstalledFace(const QString& family);

// The first of the faces that is installed, or an empty string.
QString FirstInstalled(const QStringList& faces);

// Program-wide set-up before the first window: maps the designed font
// families onto the installed stand-ins for any font that names them.
void InstallFontSubstitutions();

// A colour given as 0x00BBGGRR.
QColor VbColor(std::uint32_t bgr);

// Text colour of a label or button.
void SetForeColor(QWidget* control, std::uint32_t bgr);

// Gives a command button a face of exactly this colour (0x00BBGGRR), whatever
// the style: the style still draws the frame, focus and hover cues, and
// inside the 2-pixel frame the face shows the plain colour (a shade darker
// while the button is held down) instead of the style's own shading of it.
void SetButtonFace(QPushButton* button, std::uint32_t bgr);

// Fixes a top-level window's client area and title-bar buttons and centres it
// on the screen. The close box is always there.
void FixWindow(QWidget* window, int width, int height, bool minimizeButton);

}  // namespace platform
