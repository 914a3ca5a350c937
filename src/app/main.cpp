#include "common/paths.h"
#include "common/settings.h"
#include "common/version.h"
#include "gui/appcontext.h"
#include "gui/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

namespace {

// When the window's picture is taken: at once, after a Find and a Download of the blog name shown,
// or halfway through that Download.
enum class ShotMoment { Now, AfterDownload, MidDownload };

// Renders the window into a PNG file at the given moment; the exit code says whether the file was
// written.
int screenshot(MainWindow &window, const QString &file, ShotMoment moment)
{
    auto shoot = [&window, file] {
        QApplication::processEvents();
        if (!window.grab().save(file, "PNG")) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            return 1;
        }
        return 0;
    };
    if (moment == ShotMoment::Now)
        return shoot();
    const auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    // Press Find, then Download once Find is done, and take the picture when Download is done or,
    // mid-download, once the bar is halfway.
    window.startFind();
    bool downloading = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (downloading && moment == ShotMoment::MidDownload && bar->isVisible() &&
            bar->value() * 2 >= bar->maximum()) {
            watch.stop();
            QApplication::exit(shoot());
            return;
        }
        if (window.running())
            return;
        if (!downloading) {
            downloading = true;
            window.startDownload();
            return;
        }
        watch.stop();
        QApplication::exit(shoot());
    });
    watch.start(200);
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication::setApplicationName(QStringLiteral("pelmora"));
    QApplication::setApplicationVersion(Version::text());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Archives one user's blog into a compiled help file."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
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
    const QCommandLineOption midDownloadOption(
        QStringLiteral("mid-download"),
        QStringLiteral("With --screenshot: press Find, then Download, and take the picture halfway through."));
    parser.addOptions({dirOption, hostOption, screenshotOption, afterDownloadOption, midDownloadOption});

    // --help and --version answer before the application object exists, so they need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(helpOption)) {
        // Without the application object the parser does not know the program's name.
        QTextStream(stdout) << parser.helpText().replace(QLatin1String("<executable_name>"),
                                                         QApplication::applicationName());
        return 0;
    }
    if (parsed && parser.isSet(versionOption)) {
        QTextStream(stdout) << QApplication::applicationName() << ' ' << QApplication::applicationVersion() << '\n';
        return 0;
    }

    QApplication app(argc, argv);
    // Ties the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(PELMORA_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(PELMORA_APP_ID)));
    parser.process(app);

    Settings settings = Settings::fromEnvironment(Paths::programFolder());
    if (parser.isSet(dirOption))
        settings.programFolder = parser.value(dirOption);
    if (parser.isSet(hostOption))
        settings.hostBase = Settings::normalizedHost(parser.value(hostOption));
    // An installed program's folder does not exist before its first run.
    if (!QDir().mkpath(settings.programFolder)) {
        const QString message = QStringLiteral("无法创建程序目录：") + QDir::toNativeSeparators(settings.programFolder);
        QTextStream(stderr) << message << '\n';
        QMessageBox::critical(nullptr, QApplication::applicationName(), message);
        return 1;
    }

    AppContext context(settings);
    context.settingsFile =
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("pelmora"), QStringLiteral("pelmora"))
            .fileName();
    MainWindow window(context);
    window.show();

    if (parser.isSet(screenshotOption)) {
        const ShotMoment moment = parser.isSet(midDownloadOption)     ? ShotMoment::MidDownload
                                  : parser.isSet(afterDownloadOption) ? ShotMoment::AfterDownload
                                                                      : ShotMoment::Now;
        return screenshot(window, parser.value(screenshotOption), moment);
    }
    return QApplication::exec();
}
