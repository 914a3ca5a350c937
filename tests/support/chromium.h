#pragma once

#include <QString>
#include <QStringList>

// Debian's Chromium, started headless and kept off the network: without the background flags it
// tries hosts of its own, which this machine refuses.
namespace TestChromium {

inline QString program()
{
    return QStringLiteral("/usr/bin/chromium");
}

inline QStringList headlessArguments(const QString &profile)
{
    return {QStringLiteral("--headless"),
            QStringLiteral("--no-sandbox"),
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--disable-quic"),
            QStringLiteral("--no-first-run"),
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--disable-sync"),
            QStringLiteral("--user-data-dir=") + profile};
}

} // namespace TestChromium
