#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

// A page headless Chromium opens from disk to look at other pages as a reader would, and hands back
// what it saw.
namespace TestChromium {

struct ProbeRun
{
    QByteArray dump;                   // what Chromium printed: the probe's DOM when time ran out
    std::optional<QJsonObject> report; // what the probe finished with; none when it never did
};

// Writes the probe page to `folder`/probe.html and runs it in headless Chromium with a fresh
// profile in `folder`, the offline flags, `arguments` and `virtualTimeMs` of virtual time.
// `script` runs after two helpers: openAndWait(url) opens a page in a window of its own and
// resolves with the window once it has loaded (it rejects after 5 s); finish(report) hands the
// report object back, as base64 JSON because the DOM dump would escape it otherwise.
ProbeRun runProbe(const QString &folder, const QString &script, const QStringList &arguments, int virtualTimeMs);

} // namespace TestChromium
