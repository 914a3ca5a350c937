#include "gui/desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

DesktopNotifier::DesktopNotifier(QString appName, QString iconName)
    : m_appName(std::move(appName))
    , m_iconName(std::move(iconName))
{}

void DesktopNotifier::notify(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Not a replacement of an earlier notice, no actions, and the server's own time-out.
    call << m_appName << quint32(0) << m_iconName << summary << body << QStringList() << QVariantMap() << qint32(-1);
    bus.send(call);
}
