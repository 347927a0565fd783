// A voice for screen readers, for news that comes without a move of the
// keyboard focus: a move made, a choice changed.
//
// Readers present the focused object when the focus moves, and a
// notification when one appears; changes of a name or description are not
// spoken on Linux (Qt 6.4 hands the reader the object instead of the new
// text). An Announcer is an empty, zero-sized child with the notification
// role: Say() hides it, names it with the news and shows it again, so the
// reader speaks the news once. It draws nothing, takes no focus and no
// mouse, so the window looks and behaves as without it.
#pragma once

#include <QWidget>

namespace platform {

class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    // Speaks the text (one short utterance) through the screen reader, if
    // one listens; the last text stays as the object's name.
    void Say(const QString& text);
};

}  // namespace platform
