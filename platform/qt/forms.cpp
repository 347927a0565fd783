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

// What every form window does: the close box goes to the form, Enter presses
// the focused button of a window without a default button, and the window's
// background picture is painted behind the controls.
template <typename Base>
class FormWindow : public Base {
public:
    explicit FormWindow(NativeForm& native) : native_(native) {}

    void setBackground(const QImage& picture) { background_ = picture; }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (native_.unloading) {
            event->accept();
            return;
        }
        native_.inCloseEvent = true;
        RunEvent([this] { native_.form.Form_Close(); });
        native_.inCloseEvent = false;
        if (native_.unloading)
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

    bool eventFilter(QObject* watched, QEvent* event) override
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
        return Base::eventFilter(watched, event);
    }

    NativeForm& native_;

private:
    QImage background_;
};

class MainWindow : public FormWindow<QWidget> {
public:
    using FormWindow::FormWindow;
};

// Esc presses the cancel button, or closes the dialog like its close box
// when it has none.
class DialogWindow : public FormWindow<QDialog> {
public:
    using FormWindow::FormWindow;

    void reject() override
    {
        for (const auto& c : native_.controls)
            if (c->control.Def().flags & CancelButton) {
                if (auto* button = qobject_cast<QPushButton*>(c->widget); button && button->isEnabled())
                    button->click();
                return;
            }
        close();
    }
};

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

QWidget* parentWidget(NativeForm& window, const ControlDef& def)
{
    if (!def.parent)
        return window.window.get();
    for (const auto& c : window.controls)
        if (std::string_view(c->control.Def().name) == def.parent)
            return c->widget;
    vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("no parent ") + def.parent);
}

void runClick(const std::function<void()>& routine)
{
    if (routine)
        RunEvent(routine);
}

QWidget* makeWidget(NativeForm& window, Control& control)
{
    const ControlDef& def = control.Def();
    QWidget* parent = parentWidget(window, def);
    const bool dialog = window.form.Def().dialog;
    switch (def.kind) {
    case Kind::Label: {
        auto* label = new QLabel(text(def.caption), parent);
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
        auto& command = static_cast<CommandButton&>(control);
        QObject::connect(button, &QPushButton::clicked, button, [&command] { runClick(command.onClick); });
        if (!dialog)
            button->installEventFilter(window.window.get());
        return button;
    }
    case Kind::ComboBox: {
        auto* box = new LazyComboBox(parent);
        box->setEditable(false);
        box->addItems(text(def.caption).split(QLatin1Char('\n')));
        auto& combo = static_cast<ComboBox&>(control);
        QObject::connect(box, &QComboBox::currentIndexChanged, box, [&combo] { runClick(combo.onClick); });
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

bool focusable(const ControlDef& def)
{
    return def.kind != Kind::Label && (def.kind != Kind::PictureBox || (def.flags & TakesFocus));
}

}  // namespace

namespace backend {

NativeForm* CreateForm(Form& form)
{
    const FormDef& def = form.Def();
    auto* native = new NativeForm{form, nullptr, {}};
    if (def.dialog)
        native->window = std::make_unique<DialogWindow>(*native);
    else
        native->window = std::make_unique<MainWindow>(*native);
    QWidget* window = native->window.get();
    window->setObjectName(QLatin1String(def.name));
    window->setProperty("velmoForm", QVariant::fromValue(static_cast<void*>(&form)));
    window->setWindowTitle(text(def.caption));
    if (def.font.family)
        window->setFont(VbFont(QLatin1String(def.font.family), def.font.points, def.font.bold));
    if (def.icon)
        window->setWindowIcon(QIcon(QPixmap::fromImage(formImage(def.icon))));
    if (def.background) {
        const QImage background = formImage(def.background);
        if (def.dialog)
            static_cast<DialogWindow*>(window)->setBackground(background);
        else
            static_cast<MainWindow*>(window)->setBackground(background);
    }
    FixWindow(window, def.width, def.height, def.minimizeButton);
    return native;
}

NativeControl* CreateControl(NativeForm& window, Control& control)
{
    const ControlDef& def = control.Def();
    QWidget* widget = makeWidget(window, control);
    widget->setObjectName(QLatin1String(def.name));
    widget->setGeometry(def.rect.left, def.rect.top, def.rect.width, def.rect.height);
    if (def.font.family)
        widget->setFont(VbFont(QLatin1String(def.font.family), def.font.points, def.font.bold));
    if (def.accessibleName)
        widget->setAccessibleName(text(def.accessibleName));
    if (def.flags & Hidden)
        widget->hide();
    window.controls.push_back(std::make_unique<NativeControl>(NativeControl{control, widget}));
    return window.controls.back().get();
}

void FormBuilt(NativeForm& window)
{
    std::vector<const NativeControl*> order;
    for (const auto& c : window.controls) {
        const ControlDef& def = c->control.Def();
        if (focusable(def))
            order.push_back(c.get());
        if (def.labelFor)
            if (auto* label = qobject_cast<QLabel*>(c->widget))
                if (Control* target = window.form.FindControl(def.labelFor))
                    label->setBuddy(qt::Widget(*target));
    }
    std::stable_sort(order.begin(), order.end(), [](const NativeControl* a, const NativeControl* b) {
        return a->control.Def().tabIndex < b->control.Def().tabIndex;
    });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);
    // The first in the order starts with the focus.
    for (const NativeControl* c : order)
        if (!(c->control.Def().flags & Hidden)) {
            c->widget->setFocus();
            break;
        }
    window.announcer = new Announcer(window.window.get());
}

}  // namespace backend

void NativeFormDeleter::operator()(NativeForm* form) const
{
    delete form;
}

void Form::ShowModal()
{
    Load();
    native_->shown = true;
    if (auto* dialog = qobject_cast<QDialog*>(native_->window.get())) {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->exec();
        return;
    }
    native_->window->setWindowModality(Qt::ApplicationModal);
    native_->window->show();
    QEventLoop loop;
    QObject::connect(qApp, &QApplication::lastWindowClosed, &loop, &QEventLoop::quit);
    while (native_->shown)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void Form::ShowModeless()
{
    Load();
    native_->shown = true;
    native_->window->show();
}

void Form::Unload()
{
    NativeForm& native = *native_;
    if (native.unloading)
        return;
    native.unloading = true;
    native.shown = false;
    // A dialog ends its modal loop; a window being closed by its close box
    // closes once that event is accepted.
    if (auto* dialog = qobject_cast<QDialog*>(native.window.get()))
        dialog->done(QDialog::Accepted);
    else if (!native.inCloseEvent)
        native.window->close();
    if (deleteOnUnload_) {
        // Deleted with Qt's deferred deletions, once the close has run its course.
        auto* reaper = new QObject;
        QObject::connect(reaper, &QObject::destroyed, [form = this] { delete form; });
        reaper->deleteLater();
    }
}

bool Form::Shown() const
{
    return native_->shown;
}

std::uintptr_t Form::hWnd() const
{
    return static_cast<std::uintptr_t>(native_->window->winId());
}

void Form::Announce(std::string_view news)
{
    native_->announcer->Say(text(news));
}

bool Control::Visible() const
{
    return !native_->widget->isHidden();
}

void Control::SetVisible(bool visible)
{
    native_->widget->setVisible(visible);
}

bool Control::HasFocus() const
{
    return native_->widget->hasFocus();
}

void Control::SetFocus()
{
    native_->widget->setFocus(Qt::OtherFocusReason);
}

void Control::SetDescription(std::string_view description)
{
    native_->widget->setAccessibleDescription(text(description));
}

std::string Control::Description() const
{
    return native_->widget->accessibleDescription().toStdString();
}

std::string Label::Caption() const
{
    return static_cast<QLabel*>(Native().widget)->text().toStdString();
}

void Label::SetCaption(std::string_view caption)
{
    static_cast<QLabel*>(Native().widget)->setText(text(caption));
}

std::uint32_t Label::ForeColor() const
{
    const QColor c = Native().widget->palette().color(QPalette::WindowText);
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

void Label::SetForeColor(std::uint32_t bgr)
{
    platform::SetForeColor(Native().widget, bgr);
}

void Label::Alert()
{
    // Where the platform passes alerts on (not AT-SPI in Qt 6.4), the text is
    // raised as one.
    QAccessibleEvent alert(Native().widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

int ComboBox::ListIndex() const
{
    return static_cast<QComboBox*>(Native().widget)->currentIndex();
}

void ComboBox::SetListIndex(int index)
{
    auto* box = static_cast<QComboBox*>(Native().widget);
    if (index < -1 || index >= box->count())
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "list index " + std::to_string(index));
    box->setCurrentIndex(index);
}

std::string ComboBox::Text() const
{
    return static_cast<QComboBox*>(Native().widget)->currentText().toStdString();
}

int ComboBox::ListCount() const
{
    return static_cast<QComboBox*>(Native().widget)->count();
}

std::string ComboBox::List(int index) const
{
    return static_cast<QComboBox*>(Native().widget)->itemText(index).toStdString();
}

void CloseAllForms()
{
    QApplication::closeAllWindows();
}

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
