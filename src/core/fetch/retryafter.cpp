#include "fetch/retryafter.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

namespace Fetch {

int parseRetryAfter(const QByteArray &value)
{
    constexpr qint64 Day = qint64(24) * 3600 * 1000;
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return -1;
    bool ok = false;
    const qint64 seconds = text.toLongLong(&ok);
    if (ok)
        return seconds < 0 ? -1 : static_cast<int>(std::min(seconds * 1000, Day));
    // "Sun, 06 Nov 1994 08:49:37 GMT", the date form hosts send.
    QDateTime when =
        QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!when.isValid())
        return -1;
    when.setTimeSpec(Qt::UTC);
    return static_cast<int>(std::clamp<qint64>(QDateTime::currentDateTimeUtc().msecsTo(when), 0, Day));
}

} // namespace Fetch
