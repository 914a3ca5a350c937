#pragma once

#include "common/retrytiming.h"

#include <QDateTime>
#include <QString>
#include <functional>

// What every operation needs to know about its surroundings. The window and the command line each
// build one; tests build their own.
struct Settings
{
    // The folder all output lies in: Paths::programFolder() unless overridden.
    QString programFolder;
    // The blog host's address prefix, always ending in "/".
    QString hostBase;
    // A request that has not completed after this long counts as an empty page.
    int requestTimeoutMs = 30000;
    // Replies larger than this are cut off and count as broken.
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    // How often one article is fetched before it is given up.
    int maxAttempts = 5;
    // The waits between attempts.
    RetryTiming retry;
    // Local date and time for the start page; replaceable in tests.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    static constexpr const char *DefaultHost = "http://127.0.0.1:8642/";

    // The given program folder, host from PELMORA_BLOG_HOST or the built-in default, the first
    // retry wait from PELMORA_RETRY_DELAY_MS (milliseconds) when set.
    static Settings fromEnvironment(const QString &programFolder);
    // Adds the trailing "/" a host address needs.
    static QString normalizedHost(const QString &host);
};
