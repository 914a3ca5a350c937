#include "cli/clirunner.h"
#include "common/paths.h"
#include "common/version.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char **argv)
{
    // The plain poll loop rather than glib's: glib wakes itself with a system call each time a
    // socket starts or stops being watched, twice for every page fetched.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelmora-cli"));
    QCoreApplication::setApplicationVersion(Version::text());
    QTextStream out(stdout);
    QTextStream err(stderr);
    Cli::CliRunner runner(out, err);
    runner.setInteractive(::isatty(STDOUT_FILENO) == 1);

    // Ctrl+C and termination reach the event loop through a pipe, so the command stops cleanly.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &runner, [&runner] {
            char byte;
            while (::read(signalPipe[0], &byte, 1) > 0) {
            }
            runner.interrupt();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    QObject::connect(&runner, &Cli::CliRunner::finished, &app, [](int code) { QCoreApplication::exit(code); });
    runner.start(app.arguments(), Settings::fromEnvironment(Paths::programFolder()));
    return app.exec();
}
