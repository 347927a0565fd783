// The Qt back end of forms: each definition becomes a QDialog or a plain
// top-level QWidget with Qt's own widgets as its controls.
#include "announcer.h"
#include "backend.h"
#include "fonts.h"
#include "qt_platform.h"
#include "runtime.h"

#include <QAccessible>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace platform {

namespace {

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

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
class LazyComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        listReady_ = true;
        if (fontPending_) {
            fontPending_ = false;
            QEvent change(QEvent::FontChange);
            QComboBox::changeEvent(&change);
        }
        QComboBox::showPopup();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange && !listReady_ && !lineEdit()) {
            fontPending_ = true;
            QWidget::changeEvent(event);  // repaint and relayout, as QComboBox does after its part
            return;
        }
        QComboBox::changeEvent(event);
    }

private:
    bool listReady_ = false;
    bool fontPending_ = false;
};

// What every form window does: the close box goes to the form; Enter, Esc,
// Tab and Shift+Tab go to the forms runtime, which decides what they press
// or where the focus goes; the window's background picture is painted
// behind the controls.
template <typename Base>
class FormWindow : public Base {
public:
    FormWindow(NativeForm& native, const QImage& background) : native_(native), background_(background) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (!native_.closed) {
            native_.inCloseEvent = true;
            core::CloseBox(native_.form);
            native_.inCloseEvent = false;
        }
        if (native_.closed)
            event->accept();
        else
            event->ignore();
    }

    void paintEvent(QPaintEvent* event) override
    {
        if (background_.isNull())
            return Base::paintEvent(event);
        QPainter painter(this);
        painter.drawImage(0, 0, background_);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (!formKey(event))
            Base::keyPressEvent(event);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && formKey(static_cast<QKeyEvent*>(event), watched))
            return true;
        return Base::eventFilter(watched, event);
    }

    bool focusNextPrevChild(bool next) override
    {
        core::MoveFocus(native_.form, controlOf(this->focusWidget()), next ? 1 : -1);
        return true;
    }

private:
    Control* controlOf(const QObject* widget) const
    {
        for (const auto& c : native_.controls)
            if (c->widget == widget)
                return &c->control;
        return nullptr;
    }

    // Enter and Esc without modifiers (the keypad's Enter too).
    bool formKey(QKeyEvent* key, const QObject* at = nullptr)
    {
        Control* focus = controlOf(at);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return core::KeyPressed(native_.form, focus, core::Key::Enter, key->isAutoRepeat());
        case Qt::Key_Escape:
            return core::KeyPressed(native_.form, focus, core::Key::Escape, key->isAutoRepeat());
        default:
            return false;
        }
    }

    NativeForm& native_;
    QImage background_;
};

using MainWindow = FormWindow<QWidget>;
using DialogWindow = FormWindow<QDialog>;

QImage formImage(const char* file)
{
    return qt::Image(FormPicture(file));
}

// The arrow picture as an icon with its mask colour left out, so the button
// face shows around the arrow. On screens with more than one device pixel per
// pixel the arrow is enlarged by whole pixels, never smoothed.
QIcon maskedIcon(const QImage& picture, std::uint32_t maskColor)
{
    QIcon icon;
    for (int factor = 1; factor <= 4; ++factor) {
        QPixmap pixmap = QPixmap::fromImage(
            picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        pixmap.setMask(pixmap.createMaskFromColor(VbColor(maskColor), Qt::MaskInColor));
        pixmap.setDevicePixelRatio(factor);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QWidget* makeWidget(NativeForm& window, Control& control, QWidget* parent)
{
    const ControlDef& def = control.Def();
    const bool dialog = window.form.Def().dialog;
    switch (def.kind) {
    case Kind::Label: {
        auto* label = new QLabel(text(static_cast<Label&>(control).Caption()), parent);
        label->setAlignment((def.flags & CentredText ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        label->setWordWrap(def.flags & CentredText);
        if (def.color != kStandardColor)
            SetForeColor(label, def.color);
        return label;
    }
    case Kind::CommandButton:
    case Kind::GraphicalButton: {
        auto* button = new QPushButton(text(def.caption), parent);
        if (def.kind == Kind::GraphicalButton) {
            SetButtonFace(button, def.color);
            const QImage picture = formImage(def.picture);
            button->setIcon(maskedIcon(picture, def.maskColor));
            button->setIconSize(picture.size());
            if (def.accessibleName)
                button->setToolTip(text(def.accessibleName));
        }
        if (def.flags & DefaultButton)
            button->setDefault(true);
        else if (!dialog)
            button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, button, [&control] { core::Clicked(control); });
        return button;
    }
    case Kind::ComboBox: {
        auto* box = new LazyComboBox(parent);
        box->setEditable(false);
        for (const std::string& item : static_cast<ComboBox&>(control).Items())
            box->addItem(text(item));
        box->setCurrentIndex(-1);
        QObject::connect(box, &QComboBox::currentIndexChanged, box,
                         [&control](int index) { core::Chosen(control, index); });
        return box;
    }
    case Kind::PictureBox: {
        auto* box = new qt::PictureWidget(parent);
        box->setFocusPolicy(def.flags & TakesFocus ? Qt::StrongFocus : Qt::NoFocus);
        return box;
    }
    }
    return nullptr;
}

}  // namespace

namespace backend {

NativeForm* CreateForm(Form& form)
{
    const FormDef& def = form.Def();
    auto* native = new NativeForm{form, nullptr, {}};
    const QImage background = def.background ? formImage(def.background) : QImage();
    if (def.dialog)
        native->window = std::make_unique<DialogWindow>(*native, background);
    else
        native->window = std::make_unique<MainWindow>(*native, background);
    QWidget* window = native->window.get();
    window->setObjectName(QLatin1String(def.name));
    window->setProperty("velmoForm", QVariant::fromValue(static_cast<void*>(&form)));
    window->setWindowTitle(text(def.caption));
    if (def.font.family)
        window->setFont(VbFont(QLatin1String(def.font.family), def.font.points, def.font.bold));
    if (def.icon)
        window->setWindowIcon(QIcon(QPixmap::fromImage(formImage(def.icon))));
    FixWindow(window, def.width, def.height, def.minimizeButton);
    return native;
}

void DestroyForm(NativeForm* window)
{
    delete window;
}

NativeControl* CreateControl(NativeForm& window, Control& control, NativeControl* container)
{
    const ControlDef& def = control.Def();
    QWidget* widget = makeWidget(window, control, container ? container->widget : window.window.get());
    widget->setObjectName(QLatin1String(def.name));
    widget->setGeometry(def.rect.left, def.rect.top, def.rect.width, def.rect.height);
    if (def.font.family)
        widget->setFont(VbFont(QLatin1String(def.font.family), def.font.points, def.font.bold));
    if (def.accessibleName)
        widget->setAccessibleName(text(def.accessibleName));
    if (!control.Visible())
        widget->hide();
    // Enter and Esc reach the window's rules before the control's own.
    widget->installEventFilter(window.window.get());
    window.controls.push_back(std::make_unique<NativeControl>(NativeControl{control, widget}));
    return window.controls.back().get();
}

void FormBuilt(NativeForm& window)
{
    for (const auto& c : window.controls)
        if (const char* target = c->control.Def().labelFor)
            if (auto* label = qobject_cast<QLabel*>(c->widget))
                if (Control* named = window.form.FindControl(target))
                    label->setBuddy(qt::Widget(*named));
    window.announcer = new Announcer(window.window.get());
}

void ShowForm(NativeForm& window, bool modal)
{
    if (modal)
        window.window->setWindowModality(Qt::ApplicationModal);
    window.window->show();
}

void CloseForm(NativeForm& window)
{
    window.closed = true;
    // A window being closed by its close box closes once that event is accepted.
    if (!window.inCloseEvent)
        window.window->close();
}

void RunEventLoop(const std::function<bool()>& keepGoing)
{
    QEventLoop loop;
    while (keepGoing())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void Later(std::function<void()> work)
{
    QTimer::singleShot(0, qApp, std::move(work));
}

void SetCaption(NativeControl& label, std::string_view caption)
{
    static_cast<QLabel*>(label.widget)->setText(text(caption));
}

void SetForeColor(NativeControl& label, std::uint32_t bgr)
{
    platform::SetForeColor(label.widget, bgr);
}

void SetVisible(NativeControl& control, bool visible)
{
    control.widget->setVisible(visible);
}

void SetListIndex(NativeControl& list, int index)
{
    static_cast<QComboBox*>(list.widget)->setCurrentIndex(index);
}

void SetFocus(NativeControl& control, bool byKey)
{
    control.widget->setFocus(byKey ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

bool HasFocus(const NativeControl& control)
{
    return control.widget->hasFocus();
}

void SetDescription(NativeControl& control, std::string_view description)
{
    control.widget->setAccessibleDescription(text(description));
}

void Announce(NativeForm& window, std::string_view news)
{
    window.announcer->Say(text(news));
}

void Alert(NativeControl& label)
{
    // Where the platform passes alerts on (not AT-SPI in Qt 6.4), the text is
    // raised as one.
    QAccessibleEvent alert(label.widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

}  // namespace backend

namespace qt {

QWidget* Widget(const Control& control)
{
    return control.Native().widget;
}

QWidget* Window(const Form& form)
{
    return form.Native().window.get();
}

Form* FormOf(const QWidget* window)
{
    return window ? static_cast<Form*>(window->property("velmoForm").value<void*>()) : nullptr;
}

}  // namespace qt
}  // namespace platform
