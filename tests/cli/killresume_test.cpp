#include "common/gbkcodec.h"
#include "support/samplehostprocess.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

const QString Name = QStringLiteral("qiruvo");
constexpr int Articles = 2000;

// Every file below the folder by relative path; the start page without its date and time.
QMap<QString, QByteArray> tree(const QString &root)
{
    static const QRegularExpression stamp(QStringLiteral("更新日期：[^<]*</td>"));
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QByteArray bytes = readAll(path);
        if (path.endsWith(QStringLiteral("/index.html")))
            bytes = Gbk::encode(Gbk::decode(bytes).replace(stamp, QStringLiteral("更新日期：</td>")));
        files.insert(path.mid(root.size()), bytes);
    }
    return files;
}

// The real command line as a child process of its own, so that it can be killed at any moment.
class Cli
{
public:
    // Its error output goes to `errorLog` when given, so that a run that ends too early can say why.
    explicit Cli(const QStringList &arguments, const QString &errorLog = QString())
    {
        std::vector<QByteArray> bytes{QByteArrayLiteral(PELMORA_BIN_DIR "/pelmora-cli")};
        for (const QString &argument : arguments)
            bytes.push_back(argument.toUtf8());
        std::vector<char *> argv;
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const QByteArray errorPath = errorLog.isEmpty() ? QByteArrayLiteral("/dev/null") : QFile::encodeName(errorLog);
        posix_spawn_file_actions_addopen(&actions, 2, errorPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // On a busy machine the watcher must see a moment before the run has gone far past it.
        if (m_pid > 0)
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(m_pid), 19);
    }

    // Waits until the run ends by itself or `due()` says it is time to kill it, woken by `fd` when
    // given. True when killed.
    bool runUntil(const std::function<bool()> &due, int fd = -1)
    {
        while (m_pid > 0) {
            if (waitpid(m_pid, &m_status, WNOHANG) == m_pid)
                return false;
            if (due()) {
                ::kill(m_pid, SIGKILL);
                waitpid(m_pid, &m_status, 0);
                return WIFSIGNALED(m_status) && WTERMSIG(m_status) == SIGKILL;
            }
            if (fd >= 0) {
                pollfd ready{fd, POLLIN, 0};
                ::poll(&ready, 1, 1);
            } else {
                ::usleep(100);
            }
        }
        return false;
    }
    int exitCode() const { return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1; }
    // How the run ended, for a failure message.
    std::string ending() const
    {
        if (m_status == -1)
            return "not started";
        if (WIFSIGNALED(m_status))
            return "signal " + std::to_string(WTERMSIG(m_status));
        return "exit " + std::to_string(exitCode());
    }

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

// Counts article requests the host has logged so far.
class RequestLog
{
public:
    explicit RequestLog(QString path)
        : m_file(std::move(path))
    {}
    int count()
    {
        if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
            return m_count;
        m_count += static_cast<int>(m_file.readAll().count('\n'));
        return m_count;
    }

private:
    QFile m_file;
    int m_count = 0;
};

// Counts pages written in the archive folder while it watches: renamed into place, or closed after
// writing when written in place.
class PageWatch
{
public:
    explicit PageWatch(const QString &folder)
        : m_fd(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~PageWatch() { ::close(m_fd); }
    int fd() const { return m_fd; }
    int count()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        ssize_t size;
        while ((size = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (char *p = buffer; p < buffer + size;) {
                const auto *event = reinterpret_cast<const inotify_event *>(p);
                if (event->len > 0 && QByteArray(event->name).endsWith(".htm"))
                    ++m_count;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return m_count;
    }

private:
    int m_fd;
    int m_count = 0;
};

} // namespace

// Killed at ten moments of a download of 2,000 articles, seven while articles arrive and three
// while the index pages are written, and resumed each time: no file under its final name is ever
// empty or cut short, and the last run leaves what an uninterrupted run leaves.
TEST(KillAndResume, EveryKillLeavesWholeFilesAndTheResumeEndsAsOneRun)
{
    TempFolder temp;
    SampleHostProcess host;
    const QString base = host.start({QStringLiteral("--articles"), QString::number(Articles), QStringLiteral("--log"),
                                     temp.file(QStringLiteral("host.log"))});
    ASSERT_TRUE(base.startsWith(QStringLiteral("http://127.0.0.1:"))) << host.firstLine().toStdString();

    const QString reference = temp.file(QStringLiteral("reference"));
    const QString killed = temp.file(QStringLiteral("killed"));
    const auto arguments = [&base](const QString &dir, const QString &command) {
        return QStringList{QStringLiteral("--dir"),
                           dir,
                           QStringLiteral("--host"),
                           base,
                           QStringLiteral("--per-page"),
                           QStringLiteral("1"),
                           QStringLiteral("--quiet"),
                           command,
                           Name};
    };
    Cli find(arguments(reference, QStringLiteral("find")));
    ASSERT_FALSE(find.runUntil([] { return false; }));
    ASSERT_EQ(find.exitCode(), 0);
    writeAll(killed + QStringLiteral("/qiruvo.ini"), readAll(reference + QStringLiteral("/qiruvo.ini")));
    Cli whole(arguments(reference, QStringLiteral("download")));
    ASSERT_FALSE(whole.runUntil([] { return false; }));
    ASSERT_EQ(whole.exitCode(), 0);
    const QMap<QString, QByteArray> expected = tree(reference);
    ASSERT_GT(expected.size(), 2 * Articles);

    const auto checkWhole = [&](int kill) {
        const QMap<QString, QByteArray> now = tree(killed);
        for (auto it = now.begin(); it != now.end(); ++it) {
            if (it.key().endsWith(QStringLiteral(".part")))
                continue;
            ASSERT_TRUE(expected.contains(it.key())) << kill << " " << it.key().toStdString();
            ASSERT_EQ(it.value(), expected.value(it.key())) << "kill " << kill << ": " << it.key().toStdString();
        }
    };

    RequestLog log(temp.file(QStringLiteral("host.log")));
    constexpr int DownloadKills = 7;
    for (int kill = 1; kill <= DownloadKills; ++kill) {
        const int start = log.count();
        const QString errors = temp.file(QStringLiteral("run.err"));
        Cli cli(arguments(killed, QStringLiteral("download")), errors);
        EXPECT_TRUE(cli.runUntil([&] { return log.count() - start >= Articles / (DownloadKills + 2); }))
            << "download run " << kill << " ended before its kill, " << cli.ending() << ", after "
            << log.count() - start << " requests: " << readAll(errors).toStdString();
        checkWhole(kill);
    }
    for (const int pages : {1, Articles / 3, Articles * 2 / 3}) {
        PageWatch watch(killed + QLatin1Char('/') + Name);
        Cli cli(arguments(killed, QStringLiteral("download")));
        EXPECT_TRUE(cli.runUntil([&] { return watch.count() >= pages; }, watch.fd()))
            << "index run at page " << pages << " ended before its kill";
        checkWhole(pages);
    }

    Cli resume(arguments(killed, QStringLiteral("download")));
    ASSERT_FALSE(resume.runUntil([] { return false; }));
    EXPECT_EQ(resume.exitCode(), 0);
    EXPECT_TRUE(tree(killed) == expected);
    host.stop();
}
