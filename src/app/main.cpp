#include "common/paths.h"
#include "common/settings.h"
#include "gui/appcontext.h"
#include "gui/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QNetworkAccessManager>
#include <QPixmap>
#include <QTextStream>

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
    parser.addOptions({dirOption, hostOption, screenshotOption});
    parser.process(app);

    Settings settings = Settings::fromEnvironment(Paths::executableFolder());
    if (parser.isSet(dirOption))
        settings.programFolder = parser.value(dirOption);
    if (parser.isSet(hostOption))
        settings.hostBase = Settings::normalizedHost(parser.value(hostOption));

    QNetworkAccessManager network;
    AppContext context(network, settings);
    MainWindow window(context);
    window.show();

    if (parser.isSet(screenshotOption)) {
        QApplication::processEvents();
        const QString file = parser.value(screenshotOption);
        if (!window.grab().save(file, "PNG")) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            return 1;
        }
        return 0;
    }
    return QApplication::exec();
}
