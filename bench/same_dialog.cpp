// The start-up baseline of the platform layer: the start dialog's content
// built straight with Qt Widgets, as a plain Qt program would build it. The
// title picture painted behind everything, the version label, the list of
// five counts, its counter word and the two buttons, in the same faces,
// sizes, places and colours, centred the same way. What the game takes
// beyond this is what its layer costs (window definitions as data, the
// lazily built list, the resource decoder, the screen-reader hooks).
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

// The faces the game resolves the designed families to on Debian.
QFont face(const char* family, int pixels, bool bold)
{
    QFont font{QString::fromLatin1(family)};
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

class TitleDialog : public QDialog {
public:
    TitleDialog() : title_(QStringLiteral(":/forms/title.bmp")) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, title_);
    }

private:
    QImage title_;
};

QLabel* whiteLabel(QWidget* parent, const QString& text, QRect place, const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TitleDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Velmo"));
    dialog.setFont(face("IPAPGothic", 12, false));
    dialog.setFixedSize(320, 240);
    whiteLabel(&dialog, QStringLiteral("Ver.1.00"), {190, 25, 105, 25}, face("Liberation Serif", 21, true));
    auto* list = new QComboBox(&dialog);
    list->setGeometry(193, 119, 47, 30);
    list->setFont(face("Liberation Serif", 19, true));
    list->addItems({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                    QStringLiteral("7")});
    list->setCurrentIndex(2);
    whiteLabel(&dialog, QStringLiteral("段"), {253, 126, 16, 16}, face("IPAPGothic", 16, true));
    auto* start = new QPushButton(QStringLiteral("スタート(&S)"), &dialog);
    start->setGeometry(107, 205, 101, 27);
    start->setDefault(true);
    auto* quit = new QPushButton(QStringLiteral("終了(&Q)"), &dialog);
    quit->setGeometry(214, 205, 101, 27);
    list->setFocus();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.move(area.left() + (area.width() - 320) / 2, area.top() + (area.height() - 240) / 2);
    }
    dialog.show();
    return app.exec();
}
