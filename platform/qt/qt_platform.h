// The Qt back end's own view of the platform layer: the native window and
// controls behind the neutral ones, for the back end itself and for the
// tests and tools that look at real Qt widgets.
#pragma once

#include "forms.h"
#include "picture.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <memory>
#include <vector>

class QDialog;

namespace platform {

class Announcer;

struct PictureData {
    QImage image;  // Format_RGB32
};

struct NativeControl {
    Control& control;
    QWidget* widget;  // owned by the form's window
};

struct NativeForm {
    Form& form;
    std::unique_ptr<QWidget> window;  // a QDialog for a dialog form
    std::vector<std::unique_ptr<NativeControl>> controls;
    Announcer* announcer = nullptr;
    bool closed = false;        // unloaded: the window goes and stays gone
    bool inCloseEvent = false;  // the close box is being handled
};

namespace qt {

// The widget behind a control, and the window behind a form.
QWidget* Widget(const Control& control);
template <typename T>
T* As(const Control& control)
{
    return qobject_cast<T*>(Widget(control));
}
QWidget* Window(const Form& form);
// The form whose window this is, or null.
Form* FormOf(const QWidget* window);

// A picture's pixels, and a picture made of an image (converted to RGB32).
const QImage& Image(const Picture& picture);
Picture FromImage(const QImage& image);

// The widget of a picture box: it paints its persistent image.
//
// The screen is brought up to date where the image changed, and only there:
// a transfer marks its rectangle; assigning the box its own image changes
// nothing; assigning again the picture the image last started from marks
// only what was drawn over that picture since; any other picture marks the
// whole box. So a complete redraw that ends with the same pixels in most of
// the board repaints just the pieces that moved, and the board shown is
// always the image.
//
// A box that takes the keyboard focus shows a focus mark over its edge while
// it holds a focus reached by Tab or Shift+Tab, and none for a focus given by
// the program or by a click, nor after a click on it (like a web page's
// focus-visible); the window's activation keeps the mark as it was. The mark
// is drawn on the screen only, never into the image.
class PictureWidget : public QWidget {
    Q_OBJECT
public:
    explicit PictureWidget(QWidget* parent = nullptr);
    ~PictureWidget() override;

    // The image starts anew from the picture (a null one clears it).
    void setImage(const QImage& picture);
    const QImage& image() const { return image_; }
    // For transfers: the image to write into within `area`, unshared.
    QImage& surface(const QRect& area);
    // The live picture box behind a device context, or null.
    static PictureWidget* FromDc(Dc dc);

    // True while the focus mark is shown.
    bool FocusMarkShown() const { return focusByKey_ && hasFocus(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
    bool focusByKey_ = false;  // the focus last came by Tab or Shift+Tab
    qint64 startedFrom_ = 0;   // cacheKey() of the picture the image started from
    QRegion drawnOver_;        // what transfers changed since then
};

}  // namespace qt
}  // namespace platform
