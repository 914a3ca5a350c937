#include "helpfile/hha.h"

#include "helpfile/activecontent.h"
#include "helpfile/container.h"
#include "helpfile/filecollector.h"
#include "helpfile/fulltextindex.h"
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

// What the project names beyond its [FILES]: the page shown first and the contents and index.
struct CollectedProject
{
    QString defaultTopic; // collected name, empty when the project names none
    std::vector<Html::SitemapEntry> contents;
    std::vector<Html::SitemapEntry> index;
    QStringList sitemaps; // collected names of the contents and index files
};

const WindowDefinition *defaultWindowOf(const HelpProject &project)
{
    const WindowDefinition *window = project.window(project.defaultWindow);
    if (!window && !project.windows.empty() && project.defaultWindow.isEmpty())
        window = &project.windows.front();
    return window;
}

// Adds the files the options and the default window must have, and those other windows name.
Result<QString> addNamedFiles(const HelpProject &project, FileCollector &collector)
{
    const WindowDefinition *window = defaultWindowOf(project);
    std::vector<std::pair<QString, QString>> required{{project.contentsFile, QStringLiteral("contents file")},
                                                      {project.indexFile, QStringLiteral("index file")},
                                                      {project.defaultTopic, QStringLiteral("default topic")}};
    if (window) {
        required.emplace_back(window->field(1), QStringLiteral("window's contents file"));
        required.emplace_back(window->field(2), QStringLiteral("window's index file"));
        required.emplace_back(window->field(3), QStringLiteral("window's default page"));
    }
    QString defaultTopic;
    QString windowPage;
    for (const auto &[name, role] : required) {
        if (name.isEmpty())
            continue;
        Result<QString> r = collector.require(name, role);
        if (!r)
            return r;
        if (role == QLatin1String("default topic"))
            defaultTopic = *r;
        else if (role == QLatin1String("window's default page"))
            windowPage = *r;
    }
    for (const WindowDefinition &w : project.windows) {
        for (int field : {1, 2, 3, 4}) {
            if (Result<std::optional<QString>> r = collector.addIfPresent(w.field(field)); !r)
                return failureFrom<QString>(r);
        }
    }
    return defaultTopic.isEmpty() ? windowPage : defaultTopic;
}

// Reads the contents and index, titled ones in their place when asked, and adds the files their
// entries lead to.
Result<void> addSitemaps(const HelpProject &project, FileCollector &collector, CollectedProject &found,
                         const CompileOptions &options)
{
    const WindowDefinition *window = defaultWindowOf(project);
    const auto encode = [&](QStringView text) { return project.encode(text); };
    const auto sitemap = [&](const QString &name, bool contents) {
        const std::optional<QString> resolved = collector.resolve(name);
        if (!resolved)
            return std::vector<Html::SitemapEntry>();
        if (options.titledSitemap) {
            collector.replaceData(*resolved, contents ? titledContents(*options.titledSitemap, encode)
                                                      : titledIndex(*options.titledSitemap, encode));
        }
        found.sitemaps << *resolved;
        for (const CollectedFile &f : collector.files()) {
            if (f.name == *resolved)
                return Html::sitemapEntries(f.data);
        }
        return std::vector<Html::SitemapEntry>();
    };
    found.contents = sitemap(window && project.contentsFile.isEmpty() ? window->field(1) : project.contentsFile, true);
    found.index = sitemap(window && project.indexFile.isEmpty() ? window->field(2) : project.indexFile, false);
    for (const auto *entries : {&found.contents, &found.index}) {
        for (const Html::SitemapEntry &e : *entries) {
            if (Result<std::optional<QString>> r = collector.addIfPresent(project.decode(e.local)); !r)
                return failureFrom<void>(r);
        }
    }
    return {};
}

// Every file the help file takes from the project folder; missing [FILES] entries go to the report.
Result<CollectedProject> collectFiles(const HelpProject &project, FileCollector &collector, CompileReport &report,
                                      const CompileOptions &options, const std::function<void(const QString &)> &step)
{
    for (const QString &name : project.files) {
        const Result<bool> listed = collector.addListed(name);
        if (!listed)
            return failureFrom<CollectedProject>(listed);
        if (!*listed)
            report.missingFiles << name;
    }
    CollectedProject found;
    Result<QString> defaultTopic = addNamedFiles(project, collector);
    if (!defaultTopic)
        return failureFrom<CollectedProject>(defaultTopic);
    found.defaultTopic = *defaultTopic;
    if (Result<void> r = addSitemaps(project, collector, found, options); !r)
        return failureFrom<CollectedProject>(r);
    step(QStringLiteral("Following links"));
    if (Result<void> r = collector.followLinks(); !r)
        return failureFrom<CollectedProject>(r);
    return found;
}

// Pages named by the contents and the index first, in their order, then every other page. A title
// given in the options wins over a contents name, which wins over the page's <title>, which wins
// over the page's file name.
std::vector<Topic> collectTopics(const HelpProject &project, const PortableCopy &copy, const CollectedProject &found,
                                 const std::vector<CollectedFile> &collected, const CompileOptions &options)
{
    std::vector<Topic> topics;
    QHash<QString, size_t> byName;
    QHash<QString, qsizetype> fileOf;
    for (size_t i = 0; i < copy.files().size(); ++i)
        fileOf.insert(copy.files()[i].name, static_cast<qsizetype>(i));
    const auto addTopic = [&](const QString &name, const QByteArray &fallbackTitle, bool inContents) {
        const auto it = byName.constFind(name);
        if (it != byName.cend()) {
            topics[*it].inContents = topics[*it].inContents || inContents;
            return;
        }
        const qsizetype file = fileOf.value(name, -1);
        const QString given = file < 0 ? QString() : options.pageTitles.value(copy.files()[file].source);
        QByteArray title = given.isEmpty() ? fallbackTitle : project.encode(given);
        if (title.isEmpty() && file >= 0 && collected[file].page)
            title = Html::title(collected[file].data);
        if (title.isEmpty() && file >= 0) // a name search results can show, rather than none
            title = project.encode(copy.files()[file].source);
        byName.insert(name, topics.size());
        topics.push_back({name.toUtf8(), title, inContents, file >= 0 && collected[file].page ? file : -1});
    };
    for (const auto *entries : {&found.contents, &found.index}) {
        for (const Html::SitemapEntry &e : *entries) {
            if (const std::optional<QString> name = copy.storedName(project.decode(e.local)))
                addTopic(*name, e.name, entries == &found.contents);
        }
    }
    for (size_t i = 0; i < collected.size(); ++i) {
        if (collected[i].page)
            addTopic(copy.files()[i].name, {}, false);
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

namespace {

// The stored files' bytes, each page without active content (counted in the report).
std::vector<QByteArray> safeFiles(const PortableCopy &copy, const std::vector<CollectedFile> &collected,
                                  CompileReport &report)
{
    std::vector<QByteArray> data;
    data.reserve(copy.files().size());
    for (size_t i = 0; i < copy.files().size(); ++i) {
        bool removed = false;
        data.push_back(collected[i].page ? withoutActiveContent(copy.files()[i].data, &removed) : copy.files()[i].data);
        report.pagesWithActiveContent += removed ? 1 : 0;
    }
    return data;
}

QByteArray fullTextIndex(const HelpProject &project, const std::vector<Topic> &topics,
                         const std::vector<QByteArray> &data, CompileReport &report)
{
    FullTextIndex index(codePageOf(project.lcid), project.lcid);
    for (size_t t = 0; t < topics.size(); ++t) {
        if (topics[t].file >= 0)
            index.addTopic(static_cast<quint32>(t), data[static_cast<size_t>(topics[t].file)], topics[t].title);
    }
    report.indexedPages = index.topicCount();
    report.indexedWords = index.distinctWords();
    return index.finish();
}

// The files of the compiled copy: the internal files first, then every stored file.
std::vector<ContainerFile> containerFiles(const SystemFiles &system, const QByteArray &fullText,
                                          const PortableCopy &copy, std::vector<QByteArray> &data)
{
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
    if (!fullText.isEmpty())
        files.push_back({QByteArrayLiteral("/$FIftiMain"), fullText, true}); // bit-packed: LZX gains little
    for (size_t i = 0; i < copy.files().size(); ++i)
        files.push_back({QByteArray("/") + copy.files()[i].name.toUtf8(), std::move(data[i]), false});
    return files;
}

} // namespace

Result<CompileReport> compileProject(const QString &projectPath, const std::function<void(const QString &)> &progress,
                                     const CompileOptions &options)
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
    const Result<CollectedProject> found = collectFiles(project, collector, report, options, step);
    if (!found)
        return failureFrom<CompileReport>(found);

    step(QStringLiteral("Making the stored copy"));
    const PortableCopy copy(project, collector, found->sitemaps);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const std::vector<Topic> topics = collectTopics(project, copy, *found, collector.files(), options);
    std::vector<QByteArray> data = safeFiles(copy, collector.files(), report);
    const QByteArray fullText = options.fullTextSearch ? fullTextIndex(project, topics, data, report) : QByteArray();
    const QString defaultTopic = found->defaultTopic.isEmpty() ? QString() : copy.storedNameOf(found->defaultTopic);
    const SystemFiles system = buildSystemFiles(copy.storedProject(), defaultTopic, topics, now, !fullText.isEmpty());

    report.outputPath = project.compiledFile;
    report.missingLinks = collector.missingLinks();
    report.droppedEntries = copy.droppedEntries();
    report.fileCount = static_cast<int>(copy.files().size());
    for (const CollectedFile &f : collector.files())
        report.contentBytes += f.data.size();
    std::vector<ContainerFile> files = containerFiles(system, fullText, copy, data);
    step(QStringLiteral("Compressing %1 files").arg(report.fileCount));
    ContainerOptions containerOptions;
    containerOptions.lcid = project.lcid;
    containerOptions.timestamp = static_cast<quint32>(now);
    if (options.filesCompressed) {
        const int internalFiles = static_cast<int>(files.size()) - report.fileCount;
        containerOptions.filesDone = [&options, &report, internalFiles](int done) {
            if (done > internalFiles)
                options.filesCompressed(done - internalFiles, report.fileCount);
        };
    }
    Result<QByteArray> bytes = buildContainer(files, containerOptions);
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
