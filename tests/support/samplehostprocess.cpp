#include "support/samplehostprocess.h"

QString SampleHostProcess::program(const QString &name)
{
    return QStringLiteral(PELMORA_BIN_DIR "/") + name;
}

QString SampleHostProcess::start(const QStringList &arguments)
{
    m_firstLine.clear();
    m_process.start(program(QStringLiteral("pelmora-sample-host")),
                    QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
    if (!m_process.waitForReadyRead(10000))
        return {};
    m_firstLine = QString::fromUtf8(m_process.readLine()).trimmed();
    const qsizetype at = m_firstLine.indexOf(QStringLiteral("http://"));
    return at < 0 ? QString() : m_firstLine.mid(at);
}

bool SampleHostProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    return m_process.waitForFinished(5000);
}
