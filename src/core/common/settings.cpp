#include "common/settings.h"

#include <QProcessEnvironment>

Settings Settings::fromEnvironment(const QString &programFolder)
{
    Settings settings;
    settings.programFolder = programFolder;
    const QString host = QProcessEnvironment::systemEnvironment().value(QStringLiteral("PELMORA_BLOG_HOST"));
    settings.hostBase = normalizedHost(host.isEmpty() ? QString::fromLatin1(DefaultHost) : host);
    return settings;
}

QString Settings::normalizedHost(const QString &host)
{
    return host.endsWith(QLatin1Char('/')) ? host : host + QLatin1Char('/');
}
