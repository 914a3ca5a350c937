#include "common/paths.h"
#include "common/settings.h"
#include "gui/appcontext.h"
#include "gui/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QNetworkAccessManager>
#include <QPixmap>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pelmora"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Archives one user's blog into a compiled help file."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Program folder: where archives, task files and help files go."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption hostOption(QStringLiteral("host"), QStringLiteral("Blog host base address."),
                                        QStringLiteral("URL"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Render the window into FILE (PNG) and quit."),
                                              QStringLiteral("FILE"));
    const QCommandLineOption afterDownloadOption(
        QStringLiteral("after-download"),
        QStringLiteral("With --screenshot: first press Find and then Download for the blog name shown."));
    parser.addOptions({dirOption, hostOption, screenshotOption, afterDownloadOption});
    parser.process(app);

    Settings settings = Settings::fromEnvironment(Paths::executableFolder());
    if (parser.isSet(dirOption))
        settings.programFolder = parser.value(dirOption);
    if (parser.isSet(hostOption))
        settings.hostBase = Settings::normalizedHost(parser.value(hostOption));

    QNetworkAccessManager network;
    AppContext context(network, settings);
    context.settingsFile =
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("pelmora"), QStringLiteral("pelmora"))
            .fileName();
    MainWindow window(context);
    window.show();

    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        auto shoot = [&window, file] {
            QApplication::processEvents();
            if (!window.grab().save(file, "PNG")) {
                QTextStream(stderr) << "cannot write " << file << '\n';
                return 1;
            }
            return 0;
        };
        if (!parser.isSet(afterDownloadOption))
            return shoot();
        // Press Find, then Download once Find is done, and take the picture when Download is done.
        window.Command1_Click();
        bool downloading = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &window, [&] {
            if (window.running())
                return;
            if (!downloading) {
                downloading = true;
                window.Command2_Click();
                return;
            }
            watch.stop();
            QApplication::exit(shoot());
        });
        watch.start(200);
        return QApplication::exec();
    }
    return QApplication::exec();
}
