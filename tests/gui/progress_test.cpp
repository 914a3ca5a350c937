#include "gui/progresspresenter.h"
#include "samplehost.h"
#include "windowharness.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QProgressBar>
#include <QTest>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

constexpr int Patience = 60000;
const QString ListenerConnection = u"listener"_s;

} // namespace

// Stands for the desktop on a second connection to the test's session bus: the notification service
// and a dock that listens for launcher entry updates.
class DesktopListener : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice
    {
        QString summary;
        QString body;
    };
    struct Update
    {
        QString appUri;
        QVariantMap properties;
    };

    QList<Notice> notices;
    QList<Update> updates;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        notices.append({summary, body});
        return static_cast<uint>(notices.size());
    }
    void onUpdate(const QString &appUri, const QVariantMap &properties) { updates.append({appUri, properties}); }
};

class ProgressTest : public QObject
{
    Q_OBJECT

private:
    DesktopListener m_desktop;
    bool m_bus = false;

    static void find(WindowHarness &h)
    {
        h.button(1)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Found), Patience);
    }

private slots:
    void initTestCase()
    {
        QGuiApplication::setDesktopFileName(u"invalid.example.pelmora"_s);
        // Run under dbus-run-session this test has a bus of its own; run without one, nothing may fail.
        m_bus = QDBusConnection::sessionBus().isConnected();
        qInfo() << "session bus:" << m_bus;
        if (!m_bus)
            return;
        QDBusConnection desktop = QDBusConnection::connectToBus(QDBusConnection::SessionBus, ListenerConnection);
        QVERIFY(desktop.isConnected());
        QVERIFY(
            desktop.registerObject(u"/org/freedesktop/Notifications"_s, &m_desktop, QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.registerService(u"org.freedesktop.Notifications"_s));
        QVERIFY(desktop.connect(QString(), QString(), u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s, &m_desktop,
                                SLOT(onUpdate(QString, QVariantMap))));
    }

    void barFollowsADownloadAndBuildChmAndHidesAtTheEnd()
    {
        SampleHostConfig config;
        config.articles = 40;
        config.latencyMs = 10;
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        h.window->show();
        auto *bar = h.child<QProgressBar>("progressBar");
        QVERIFY(!bar->isVisible());
        find(h);
        QVERIFY(!bar->isVisible());
        m_desktop.updates.clear();

        struct Seen
        {
            int value;
            int maximum;
            bool visible;
        };
        // The articles, then the index pages, then the files of the help file.
        QList<Seen> articlesSeen;
        QList<Seen> indexSeen;
        QList<Seen> filesSeen;
        connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
            const Seen seen{value, bar->maximum(), bar->isVisible()};
            if (bar->format().startsWith(u"下载文章"_s))
                articlesSeen.append(seen);
            else if (bar->format().startsWith(u"生成索引"_s))
                indexSeen.append(seen);
            else if (bar->format().startsWith(u"打包CHM"_s) && bar->maximum() > 0) // past the busy bar
                filesSeen.append(seen);
        });
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        QVERIFY(!bar->isVisible());
        int files = 0;
        h.context.compile = [&files](const QString &project, const HelpFile::CompileOptions &options) {
            const Result<HelpFile::CompileReport> compiled = Pipeline::compileHelpProject(project, options);
            files = compiled ? compiled->fileCount : -1;
            return compiled;
        };
        h.button(3)->click();
        QCOMPARE(h.buttons(), pattern(ButtonState::Packed));
        QVERIFY(files > 0);

        const int articles = h.window->table().articleCount();
        const std::pair<QList<Seen>, int> runs[] = {
            {articlesSeen, articles}, {indexSeen, articles}, {filesSeen, files}};
        for (const auto &[seen, maximum] : runs) {
            QVERIFY(!seen.isEmpty());
            int last = 0;
            for (const Seen &s : seen) {
                QCOMPARE(s.maximum, maximum);
                QVERIFY(s.visible);
                QVERIFY(s.value >= last);
                last = s.value;
            }
            QCOMPARE(last, maximum);
        }
        QVERIFY(!bar->isVisible());

        if (!m_bus)
            return;
        // The dock saw the run to its end, and then no bar.
        QTRY_VERIFY(!m_desktop.updates.isEmpty() &&
                    !m_desktop.updates.last().properties.value(u"progress-visible"_s).toBool());
        QCOMPARE(m_desktop.updates.last().appUri, u"application://invalid.example.pelmora.desktop"_s);
        const DesktopListener::Update &full = m_desktop.updates[m_desktop.updates.size() - 2];
        QCOMPARE(full.properties.value(u"progress"_s).toDouble(), 1.0);
        QVERIFY(full.properties.value(u"progress-visible"_s).toBool());
    }

    void noticeOfALongRunOnlyWhenTheWindowIsNotActive()
    {
        SampleHost host;
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        auto *presenter = h.window->findChild<ProgressPresenter *>();
        QVERIFY(presenter);
        m_desktop.notices.clear();

        // A short run behind another window, then a long one in front, then a long one behind.
        presenter->setLongRunMs(3600 * 1000);
        find(h);
        presenter->setLongRunMs(0);
        h.window->show();
        h.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        find(h);
        h.window->hide();
        QTRY_VERIFY(!h.window->isActiveWindow());
        find(h);
        if (!m_bus)
            return;
        // Notices arrive in the order they were sent: once the last one is in, so is any before it.
        DesktopNotifier(u"test"_s).notify(u"last"_s, QString());
        QTRY_VERIFY(!m_desktop.notices.isEmpty() && m_desktop.notices.last().summary == u"last"_s);
        QCOMPARE(m_desktop.notices.size(), 2);
        QCOMPARE(m_desktop.notices[0].summary, u"寻找文章完成"_s);
        QCOMPARE(m_desktop.notices[0].body, u"qiruvo：找到 %1 篇文章"_s.arg(h.window->table().articleCount()));
    }
};

QTEST_MAIN(ProgressTest)
#include "progress_test.moc"
