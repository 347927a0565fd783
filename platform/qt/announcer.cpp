#include "announcer.h"

#include <QAccessibleWidget>

namespace platform {

namespace {

QAccessibleInterface* notificationInterface(const QString& key, QObject* object)
{
    if (key == QLatin1String(Announcer::staticMetaObject.className()) && object
        && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

}  // namespace

Announcer::Announcer(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(notificationInterface);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setGeometry(0, 0, 0, 0);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void Announcer::Say(const QString& text)
{
    hide();
    setAccessibleName(text);
    show();
}

}  // namespace platform
