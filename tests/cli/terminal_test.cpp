#include "support/tempfolder.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cerrno>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const QString BinDir = QStringLiteral(PELMORA_BIN_DIR);

// Everything `program` writes to a pseudo-terminal it runs on, and its exit code.
std::pair<QByteArray, int> runOnTerminal(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid < 0)
        return {QByteArray(), -1};
    QByteArray output;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // EIO once the program has closed the terminal
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class Terminal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.start(BinDir + QStringLiteral("/pelmora-sample-host"),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--articles"), QStringLiteral("80"),
                    QStringLiteral("--latency-ms"), QStringLiteral("100")});
        ASSERT_TRUE(host.waitForReadyRead(10000));
        const QString line = QString::fromUtf8(host.readLine()).trimmed();
        base = line.mid(line.indexOf(QStringLiteral("http://")));
        ASSERT_TRUE(base.startsWith(QStringLiteral("http://127.0.0.1:"))) << line.toStdString();
    }
    void TearDown() override
    {
        host.terminate();
        host.waitForFinished(5000);
    }
    QStringList arguments(const QString &command) const
    {
        return {QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), base, command,
                QStringLiteral("qiruvo")};
    }

    QProcess host;
    QString base;
    TempFolder folder;
};

} // namespace

TEST_F(Terminal, ProgressUpdatesInPlaceOnATerminalAndPipedOutputKeepsItsLines)
{
    QProcess piped;
    piped.start(BinDir + QStringLiteral("/pelmora-cli"), arguments(QStringLiteral("find")));
    ASSERT_TRUE(piped.waitForFinished(60000));
    ASSERT_EQ(piped.exitCode(), 0) << piped.readAllStandardError().toStdString();

    piped.start(BinDir + QStringLiteral("/pelmora-cli"), arguments(QStringLiteral("download")));
    ASSERT_TRUE(piped.waitForFinished(60000));
    ASSERT_EQ(piped.exitCode(), 0) << piped.readAllStandardError().toStdString();
    const QByteArray plain = piped.readAllStandardOutput();
    EXPECT_FALSE(plain.contains('\r')) << plain.toStdString();
    EXPECT_FALSE(plain.contains('\x1b')) << plain.toStdString();
    EXPECT_TRUE(plain.contains("80/80 (")) << plain.toStdString();

    ASSERT_TRUE(QDir(folder.file(QStringLiteral("qiruvo"))).removeRecursively());
    const auto [screen, code] =
        runOnTerminal(BinDir + QStringLiteral("/pelmora-cli"), arguments(QStringLiteral("download")));
    ASSERT_EQ(code, 0) << screen.toStdString();
    // The terminal turns each line end into CR LF; a bare CR starts the line over.
    const qsizetype first = screen.indexOf("] articles ");
    ASSERT_GE(first, 0) << screen.toStdString();
    const qsizetype end = screen.indexOf("\r\n", first);
    ASSERT_GT(end, first) << screen.toStdString();
    const QByteArray line = screen.mid(first, end - first);
    EXPECT_GE(line.count("\r["), 3) << line.toStdString();
    EXPECT_TRUE(line.contains("] articles 80/80")) << line.toStdString();
    EXPECT_TRUE(line.contains("/s")) << line.toStdString();
    EXPECT_TRUE(line.contains(" left")) << line.toStdString();
    EXPECT_TRUE(line.endsWith("\x1b[K")) << line.toStdString();

    // The compile counts its files on the terminal only.
    piped.start(BinDir + QStringLiteral("/pelmora-cli"), arguments(QStringLiteral("chm")));
    ASSERT_TRUE(piped.waitForFinished(60000));
    ASSERT_EQ(piped.exitCode(), 0) << piped.readAllStandardError().toStdString();
    const QByteArray plainChm = piped.readAllStandardOutput();
    const QRegularExpression countLine(QStringLiteral("^\\d+/\\d+"), QRegularExpression::MultilineOption);
    EXPECT_FALSE(plainChm.contains('\r') || countLine.match(QString::fromUtf8(plainChm)).hasMatch())
        << plainChm.toStdString();
    const auto [chmScreen, chmCode] =
        runOnTerminal(BinDir + QStringLiteral("/pelmora-cli"), arguments(QStringLiteral("chm")));
    ASSERT_EQ(chmCode, 0) << chmScreen.toStdString();
    const qsizetype files = chmScreen.lastIndexOf("] files ");
    ASSERT_GE(files, 0) << chmScreen.toStdString();
    const QByteArray filesLine = chmScreen.mid(files, chmScreen.indexOf("\r\n", files) - files);
    const QRegularExpressionMatch counts =
        QRegularExpression(QStringLiteral("^\\] files (\\d+)/(\\d+)")).match(QString::fromLatin1(filesLine));
    ASSERT_TRUE(counts.hasMatch()) << filesLine.toStdString();
    EXPECT_GT(counts.captured(1).toInt(), 0) << filesLine.toStdString();
    EXPECT_EQ(counts.captured(1).toInt(), counts.captured(2).toInt()) << filesLine.toStdString();
    EXPECT_TRUE(filesLine.endsWith("\x1b[K")) << filesLine.toStdString();
}

TEST(DesktopProgram, HelpAndVersionNeedNoDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    for (const char *option : {"--help", "--version"}) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(BinDir + QStringLiteral("/pelmora"), {QLatin1String(option)});
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(program.exitCode(), 0) << option << program.readAllStandardError().toStdString();
        EXPECT_TRUE(program.readAllStandardOutput().contains("pelmora")) << option;
    }
}
