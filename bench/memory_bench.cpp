// Peak memory of pelmora-cli against a hostile host: for each way the sample host can misbehave,
// the largest resident set the command reached (VmHWM, read until it exits). The kernel's account of
// the finished process is printed beside it as an upper bound: it also counts this launcher's own
// resident set at the spawn. The host runs in this process, so only pelmora-cli is measured.
// Target: under 300 MiB in every case, upper bound included.
#include "fault.h"
#include "samplehost.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr double TargetMiB = 300;

struct Case
{
    const char *name;
    QStringList faults;
    bool download; // find, then download the task it wrote
    int articles;
    int exitCode; // of the last command
};

struct Run
{
    int exitCode = -1;
    double peakMiB = 0;  // VmHWM
    double boundMiB = 0; // ru_maxrss
};

// The process's VmHWM in MiB, or 0 once it is gone.
double highWaterMiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// Runs pelmora-cli with the arguments, serving the host meanwhile; its exit code and peak memory.
Run runCli(const QStringList &arguments)
{
    QList<QByteArray> bytes{QByteArrayLiteral(PELMORA_BIN_DIR "/pelmora-cli")};
    for (const QString &argument : arguments)
        bytes.append(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    Run run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        run.peakMiB = std::max(run.peakMiB, highWaterMiB(pid));
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, WNOHANG, &usage) != pid)
            return;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.boundMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
        loop.quit();
    });
    poll.start(2);
    loop.exec();
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList endlessRows;
    QStringList bombRows;
    QStringList dripRows;
    for (int row = 1; row <= 10; ++row) {
        endlessRows << QStringLiteral("%1=endless").arg(row);
        bombRows << QStringLiteral("%1=gzip-bomb").arg(row);
        if (row <= 5)
            dripRows << QStringLiteral("%1=drip").arg(row);
    }
    const std::vector<Case> cases{
        {"find, a list page without end", {QStringLiteral("list:2=endless")}, false, 60, 1},
        {"find, a list page as gzip bomb", {QStringLiteral("list:2=gzip-bomb")}, false, 60, 1},
        {"find, a list page dripping", {QStringLiteral("list:2=drip")}, false, 60, 1},
        {"find, a list page never answered", {QStringLiteral("list:2=never")}, false, 60, 1},
        {"find, HTTP 500 for every page", {QStringLiteral("every=http500")}, false, 60, 1},
        {"find, a list page redirected off the host",
         {QStringLiteral("list:2=redirect:http://127.0.0.2:9/x")},
         false,
         60,
         1},
        {"find, six 16 MB list pages", {QStringLiteral("list:*=flood:220000")}, false, 60, 0},
        {"download, ten articles without end", endlessRows, true, 10, 1},
        {"download, ten articles as gzip bombs", bombRows, true, 10, 1},
        {"download, five articles dripping", dripRows, true, 10, 1},
    };

    int status = 0;
    double worst = 0;
    for (const Case &c : cases) {
        SampleHostConfig config;
        config.articles = c.articles;
        for (const QString &text : c.faults)
            config.faults.append(parseFault(text).value());
        SampleHost host(config);
        if (!host.listen()) {
            std::fprintf(stderr, "memory_bench: %s\n", qPrintable(host.errorString()));
            return 1;
        }
        QTemporaryDir folder;
        const QStringList common{
            QStringLiteral("--dir"),     folder.path(),       QStringLiteral("--host"), host.baseUrl(),
            QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--quiet")};
        Run run = runCli(common + QStringList{QStringLiteral("find"), QStringLiteral("bench")});
        double peak = run.peakMiB;
        double bound = run.boundMiB;
        if (c.download && run.exitCode == 0) {
            run = runCli(common + QStringList{QStringLiteral("download"), QStringLiteral("bench")});
            peak = std::max(peak, run.peakMiB);
            bound = std::max(bound, run.boundMiB);
        }
        worst = std::max(worst, bound);
        std::printf("memory: %-42s peak %6.1f MiB (at most %6.1f), exit %d\n", c.name, peak, bound, run.exitCode);
        if (run.exitCode != c.exitCode || bound >= TargetMiB)
            status = 1;
    }
    std::printf("memory: worst upper bound of pelmora-cli %.1f MiB, %.2f of the %.0f MiB target (target < 1)\n", worst,
                worst / TargetMiB, TargetMiB);
    return status;
}
