#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <csignal>
#include <unistd.h>

// A desktop reader opened on a file on an X server of its own, as a user would open it.
namespace XvfbReader {

// Ends a process and everything it started: it runs in a session of its own.
inline void endGroup(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    const auto group = static_cast<pid_t>(process.processId());
    ::kill(-group, SIGTERM);
    if (!process.waitForFinished(5000)) {
        ::kill(-group, SIGKILL);
        process.waitForFinished(5000);
    }
}

struct Run
{
    QString problem;     // why the reader could not be started; empty when it was
    bool exited = false; // the reader ended within the wait
    int exitCode = 0;
    QByteArray output; // what it printed, both channels
};

// Starts Xvfb, which picks a free display itself and names it, so tests running side by side never
// meet; opens `file` in `reader` there with `home` as its home and runtime folder; waits `waitMs`
// and ends both.
inline Run open(const QString &reader, const QString &xvfb, const QString &file, const QString &home, int waitMs)
{
    Run run;
    QProcess server;
    server.setChildProcessModifier([] { ::setsid(); });
    server.start(xvfb,
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted()) {
        run.problem = QStringLiteral("Xvfb did not start");
        return run;
    }
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const QString display = QString::fromLatin1(server.readLine()).trimmed();
    if (display.isEmpty()) {
        run.problem = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(server.readAllStandardError());
        endGroup(server);
        return run;
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(reader, {file});
    if (!process.waitForStarted()) {
        run.problem = reader + QStringLiteral(" did not start");
        endGroup(server);
        return run;
    }
    run.exited = process.waitForFinished(waitMs);
    run.exitCode = process.exitCode();
    endGroup(process);
    endGroup(server);
    run.output = process.readAll();
    return run;
}

} // namespace XvfbReader
