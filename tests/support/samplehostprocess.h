#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The real sample host program on a free loopback port, for tests that run the programs as users
// do. It is stopped when the object goes.
class SampleHostProcess
{
    Q_DISABLE_COPY_MOVE(SampleHostProcess)
public:
    SampleHostProcess() = default;
    ~SampleHostProcess() { stop(); }

    // Starts `pelmora-sample-host --port 0` with `arguments` and returns the address it listens on
    // ("http://127.0.0.1:P/"), or an empty string when it printed none within ten seconds.
    QString start(const QStringList &arguments = {});
    // The host's first line of output, for a failure message.
    const QString &firstLine() const { return m_firstLine; }
    // Terminates the host and waits for it; true when it has ended.
    bool stop();

    // The path of a program built beside the host, such as "pelmora-cli".
    static QString program(const QString &name);

private:
    QProcess m_process;
    QString m_firstLine;
};
