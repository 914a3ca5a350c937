#include "helpfile/hha.h"

#include "helpfile/container.h"
#include "helpfile/filecollector.h"
#include "helpfile/helpproject.h"
#include "helpfile/htmlscan.h"
#include "helpfile/portablecopy.h"
#include "helpfile/systemfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace HelpFile {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Pages named by the contents and the index first, in their order, then every other page.
std::vector<Topic> collectTopics(const HelpProject &project, const PortableCopy &copy,
                                 const std::vector<Html::SitemapEntry> &contents,
                                 const std::vector<Html::SitemapEntry> &index,
                                 const std::vector<CollectedFile> &collected)
{
    std::vector<Topic> topics;
    QHash<QString, size_t> byName;
    const auto addTopic = [&](const QString &name, const QByteArray &title, bool inContents) {
        const auto it = byName.constFind(name);
        if (it != byName.cend()) {
            Topic &t = topics[*it];
            t.inContents = t.inContents || inContents;
            if (t.title.isEmpty())
                t.title = title;
            return;
        }
        byName.insert(name, topics.size());
        topics.push_back({name.toUtf8(), title, inContents});
    };
    for (const auto *entries : {&contents, &index}) {
        for (const Html::SitemapEntry &e : *entries) {
            if (const std::optional<QString> name = copy.storedName(project.decode(e.local)))
                addTopic(*name, e.name, entries == &contents);
        }
    }
    for (size_t i = 0; i < collected.size(); ++i) {
        const QString &name = copy.files()[i].name;
        if (collected[i].page && !byName.contains(name))
            addTopic(name, Html::title(collected[i].data), false);
    }
    return topics;
}

// Writes beside the target and renames over it, with the system's reason on failure; the reason is
// taken from errno at once, as a closed QFile or QSaveFile no longer knows it.
Result<void> writeAtomically(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".part";
    const auto failure = [&](int error) {
        ::unlink(temporary.constData());
        return Result<void>::failure(QStringLiteral("Cannot write the compiled file %1: %2")
                                         .arg(native(path), QString::fromLocal8Bit(std::strerror(error))));
    };
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return Result<void>::failure(QStringLiteral("Cannot write the compiled file %1: %2")
                                         .arg(native(path), QString::fromLocal8Bit(std::strerror(errno))));
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return failure(error);
        }
        done += n;
    }
    if (::close(fd) != 0)
        return failure(errno);
    if (::rename(temporary.constData(), target.constData()) != 0)
        return failure(errno);
    return {};
}

} // namespace

Result<CompileReport> compileProject(const QString &projectPath, const std::function<void(const QString &)> &progress)
{
    const auto step = [&](const QString &text) {
        if (progress)
            progress(text);
    };
    step(QStringLiteral("Reading %1").arg(native(projectPath)));
    Result<HelpProject> read = readProject(projectPath);
    if (!read)
        return failureFrom<CompileReport>(read);
    const HelpProject &project = *read;

    CompileReport report;
    FileCollector collector(project);
    for (const QString &name : project.files) {
        const Result<bool> listed = collector.addListed(name);
        if (!listed)
            return failureFrom<CompileReport>(listed);
        if (!*listed)
            report.missingFiles << name;
    }
    const WindowDefinition *window = project.window(project.defaultWindow);
    if (!window && !project.windows.empty() && project.defaultWindow.isEmpty())
        window = &project.windows.front();
    struct Named
    {
        QString name;
        QString role;
    };
    std::vector<Named> required{{project.contentsFile, QStringLiteral("contents file")},
                                {project.indexFile, QStringLiteral("index file")},
                                {project.defaultTopic, QStringLiteral("default topic")}};
    if (window) {
        required.push_back({window->field(1), QStringLiteral("window's contents file")});
        required.push_back({window->field(2), QStringLiteral("window's index file")});
        required.push_back({window->field(3), QStringLiteral("window's default page")});
    }
    QHash<QString, QString> collected; // role -> collected name
    for (const Named &n : required) {
        if (n.name.isEmpty())
            continue;
        Result<QString> r = collector.require(n.name, n.role);
        if (!r)
            return failureFrom<CompileReport>(r);
        collected.insert(n.role, *r);
    }
    for (const WindowDefinition &w : project.windows) {
        for (int field : {1, 2, 3, 4}) {
            if (Result<std::optional<QString>> r = collector.addIfPresent(w.field(field)); !r)
                return failureFrom<CompileReport>(r);
        }
    }

    QStringList sitemaps;
    const auto sitemap = [&](const QString &name) {
        const std::optional<QString> found = collector.resolve(name);
        if (!found)
            return std::vector<Html::SitemapEntry>();
        sitemaps << *found;
        for (const CollectedFile &f : collector.files()) {
            if (f.name == *found)
                return Html::sitemapEntries(f.data);
        }
        return std::vector<Html::SitemapEntry>();
    };
    const std::vector<Html::SitemapEntry> contents =
        sitemap(window && project.contentsFile.isEmpty() ? window->field(1) : project.contentsFile);
    const std::vector<Html::SitemapEntry> index =
        sitemap(window && project.indexFile.isEmpty() ? window->field(2) : project.indexFile);
    for (const auto *entries : {&contents, &index}) {
        for (const Html::SitemapEntry &e : *entries) {
            if (Result<std::optional<QString>> r = collector.addIfPresent(project.decode(e.local)); !r)
                return failureFrom<CompileReport>(r);
        }
    }
    step(QStringLiteral("Following links"));
    if (Result<void> r = collector.followLinks(); !r)
        return failureFrom<CompileReport>(r);

    step(QStringLiteral("Making the stored copy"));
    const PortableCopy copy(project, collector, sitemaps);
    QString defaultTopic = collected.value(QStringLiteral("default topic"));
    if (defaultTopic.isEmpty())
        defaultTopic = collected.value(QStringLiteral("window's default page"));
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const std::vector<Topic> topics = collectTopics(project, copy, contents, index, collector.files());
    const SystemFiles system = buildSystemFiles(
        copy.storedProject(), defaultTopic.isEmpty() ? QString() : copy.storedNameOf(defaultTopic), topics, now);

    report.outputPath = project.compiledFile;
    report.missingLinks = collector.missingLinks();
    report.droppedEntries = copy.droppedEntries();
    std::vector<ContainerFile> files{
        {QByteArrayLiteral("/#SYSTEM"), system.system, true},
        {QByteArrayLiteral("/#ITBITS"), QByteArray(), false},
        {QByteArrayLiteral("/#WINDOWS"), system.windows, false},
        {QByteArrayLiteral("/#STRINGS"), system.strings, false},
        {QByteArrayLiteral("/#TOPICS"), system.topics, false},
        {QByteArrayLiteral("/#URLTBL"), system.urlTable, false},
        {QByteArrayLiteral("/#URLSTR"), system.urlStrings, false},
        {QByteArrayLiteral("/#IDXHDR"), system.indexHeader, false},
    };
    for (const CollectedFile &f : collector.files())
        report.contentBytes += f.data.size();
    for (const StoredFile &f : copy.files()) {
        files.push_back({QByteArray("/") + f.name.toUtf8(), f.data, false});
        ++report.fileCount;
    }
    step(QStringLiteral("Compressing %1 files").arg(report.fileCount));
    ContainerOptions options;
    options.lcid = project.lcid;
    options.timestamp = static_cast<quint32>(now);
    Result<QByteArray> bytes = buildContainer(files, options);
    if (!bytes)
        return failureFrom<CompileReport>(bytes);
    files.clear();

    step(QStringLiteral("Writing %1").arg(native(project.compiledFile)));
    if (Result<void> r = writeAtomically(project.compiledFile, *bytes); !r)
        return failureFrom<CompileReport>(r);
    report.outputBytes = bytes->size();
    return report;
}

short notifyCallback(void *)
{
    return -1;
}

} // namespace HelpFile

int HHA_CompileHHP(const QString &projectPath, HelpFile::Callback progress, HelpFile::Callback error, int reserved)
{
    Q_UNUSED(reserved);
    const auto notify = [](HelpFile::Callback callback, const QString &text) {
        if (!callback)
            return;
        QByteArray message = text.toUtf8();
        callback(message.data());
    };
    const Result<HelpFile::CompileReport> result =
        HelpFile::compileProject(projectPath, [&](const QString &text) { notify(progress, text); });
    if (!result) {
        notify(error, result.error());
        return 0;
    }
    notify(progress, QStringLiteral("Compiled %1").arg(QDir::toNativeSeparators(result->outputPath)));
    if (!result->missingFiles.isEmpty()) {
        notify(error, QStringLiteral("%1 files of the project are missing and were left out: %2")
                          .arg(result->missingFiles.size())
                          .arg(result->missingFiles.join(QStringLiteral(", "))));
        return 0;
    }
    return 1;
}
