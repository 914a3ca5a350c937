#include "gui/launcherentry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString EntryInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");

} // namespace

LauncherEntry::LauncherEntry(const QString &desktopFileName)
{
    QString name = desktopFileName;
    if (!name.endsWith(QLatin1String(".desktop")))
        name += QLatin1String(".desktop");
    m_appUri = QStringLiteral("application://") + name;
}

void LauncherEntry::setProgress(double fraction)
{
    update(qBound(0.0, fraction, 1.0), true);
}

void LauncherEntry::hide()
{
    if (m_visible)
        update(0, false);
}

void LauncherEntry::update(double fraction, bool visible)
{
    const int permille = qRound(fraction * 1000);
    if (visible == m_visible && permille == m_lastPermille)
        return;
    m_visible = visible;
    m_lastPermille = permille;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/invalid/example/pelmora/LauncherEntry"),
                                                     EntryInterface, QStringLiteral("Update"));
    const QVariantMap properties{{QStringLiteral("progress"), fraction}, {QStringLiteral("progress-visible"), visible}};
    signal << m_appUri << properties;
    bus.send(signal);
}
