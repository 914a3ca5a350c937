#include "common/settings.h"

#include <QProcessEnvironment>

Settings Settings::fromEnvironment(const QString &programFolder)
{
    Settings settings;
    settings.programFolder = programFolder;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString host = environment.value(QStringLiteral("PELMORA_BLOG_HOST"));
    settings.hostBase = normalizedHost(host.isEmpty() ? QString::fromLatin1(DefaultHost) : host);
    // The first wait between attempts; the later ones grow from it. For runs that test something
    // other than the waits.
    bool ok = false;
    const int firstDelayMs = environment.value(QStringLiteral("PELMORA_RETRY_DELAY_MS")).toInt(&ok);
    if (ok && firstDelayMs >= 0)
        settings.retry.firstDelayMs = firstDelayMs;
    return settings;
}

QString Settings::normalizedHost(const QString &host)
{
    return host.endsWith(QLatin1Char('/')) ? host : host + QLatin1Char('/');
}
