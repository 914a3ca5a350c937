#include "support/chromiumprobe.h"

#include "support/chromium.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QUrl>

namespace TestChromium {

namespace {

const char ProbeHead[] = R"(<!DOCTYPE html><meta charset=utf-8><body><pre id=out></pre><script>
function openAndWait(url) {
  return new Promise((resolve, reject) => {
    const w = window.open(url, '_blank');
    if (!w) { reject('window blocked: ' + url); return; }
    w.addEventListener('load', () => resolve(w));
    setTimeout(() => reject('no load: ' + url), 5000);
  });
}
function finish(report) {
  const bytes = new TextEncoder().encode(JSON.stringify(report));
  let binary = '';
  for (const b of bytes) binary += String.fromCharCode(b);
  document.getElementById('out').textContent = 'REPORT:' + btoa(binary) + ':END';
}
)";

} // namespace

ProbeRun runProbe(const QString &folder, const QString &script, const QStringList &arguments, int virtualTimeMs)
{
    const QString probe = QDir(folder).filePath(QStringLiteral("probe.html"));
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(ProbeHead) + script.toUtf8() + "\n</script>\n") < 0)
        return {"cannot write " + probe.toUtf8(), std::nullopt};
    file.close();

    QProcess chromium;
    chromium.setProcessChannelMode(QProcess::SeparateChannels);
    chromium.start(program(), headlessArguments(QDir(folder).filePath(QStringLiteral("profile"))) + arguments +
                                  QStringList{QStringLiteral("--virtual-time-budget=%1").arg(virtualTimeMs),
                                              QStringLiteral("--dump-dom"), QUrl::fromLocalFile(probe).toString()});
    if (!chromium.waitForFinished(90000))
        return {"chromium did not finish", std::nullopt};
    ProbeRun run{chromium.readAllStandardOutput(), std::nullopt};
    const qsizetype begin = run.dump.indexOf("REPORT:");
    const qsizetype end = run.dump.indexOf(":END", begin);
    if (begin >= 0 && end > begin)
        run.report = QJsonDocument::fromJson(QByteArray::fromBase64(run.dump.mid(begin + 7, end - begin - 7))).object();
    return run;
}

} // namespace TestChromium
