#pragma once

#include <QString>

// Puts a notice on the desktop through the notification service on the session bus. Nothing waits
// for the answer; without a session bus or a notification service nothing is shown and nothing fails.
class DesktopNotifier
{
public:
    explicit DesktopNotifier(QString appName, QString iconName = QString());

    void notify(const QString &summary, const QString &body);

private:
    QString m_appName;
    QString m_iconName;
};
