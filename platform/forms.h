// Forms: windows with a load event, shown modally or modelessly, and the few
// property conversions the window definitions need (fonts in points,
// colours as 0x00BBGGRR, fixed client sizes).
//
// A window class derives from QWidget (or QDialog) and from Form. Its
// constructor builds the design-time layout; Form_Load() runs once, on the
// first Show, before the window appears.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

class QApplication;
class QDialog;
class QLabel;
class QPushButton;
class QRect;
class QWidget;

namespace platform {

class Form {
public:
    virtual ~Form() = default;
    // Runs Form_Load the first time; later calls do nothing.
    void Load();
    bool IsLoaded() const { return loaded_; }

protected:
    virtual void Form_Load() {}

private:
    bool loaded_ = false;
};

// Loads the dialog, shows it and returns once it has been unloaded; the other
// windows take no input meanwhile.
void ShowModal(QDialog& form);
// Loads the window, shows it and returns at once.
void ShowModeless(QWidget& form);

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

// A colour given as 0x00BBGGRR.
QColor VbColor(std::uint32_t bgr);

// Text colour of a label or button.
void SetForeColor(QWidget* control, std::uint32_t bgr);

// A label as the window definitions give one: transparent, text at the top
// left, in the given font and colour (0x00BBGGRR).
QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                 const QFont& font, std::uint32_t bgr);

// Gives a command button a face of exactly this colour (0x00BBGGRR), as the
// window definitions ask, whatever the style: the style still draws the
// frame, focus and hover cues, and inside the 2-pixel frame the face shows
// the plain colour (a shade darker while the button is held down) instead of
// the style's own shading of it. The button stays an ordinary push button.
void SetButtonFace(QPushButton* button, std::uint32_t bgr);

// A drop-down list box whose list is built when it first drops down.
// QComboBox builds its list (a list view in a pop-up frame, with its model
// connections and scroll arrows) as soon as it is given a font, so a window
// that sets the box's font would build, before it is shown, a list that most
// players never open. Until the list first drops down this box takes a font
// change as any widget does (repaint, relayout); then it passes the change on
// to QComboBox, which hands the font to the list and renews its size hint,
// and from then on every change goes through QComboBox. An editable box
// passes every change on at once (its line edit follows the font). The font
// is meant to be set before the window is first shown (which renews the size
// hint too).
class ComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    void showPopup() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    bool listReady_ = false;
    bool fontPending_ = false;
};

// Fixes a top-level window's client area and title-bar buttons and centres it
// on the screen. The close box is always there.
void FixWindow(QWidget* window, int width, int height, bool minimizeButton);

// Program-wide set-up before the first window: maps the designed font
// families onto the installed stand-ins for any font that names them.
void InstallFontSubstitutions();

// True when Qt has a screen to show windows on. When it has none the program
// says so in one sentence instead of aborting.
bool DisplayAvailable();

}  // namespace platform
