#include "archive/imagepass.h"
#include "archive/imagescanner.h"
#include "archive/imagestore.h"
#include "common/gbkcodec.h"
#include "samplehost.h"
#include "sampleimages.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

using Archive::ImagePass;
using Archive::ImageReport;
using Archive::ImageStore;

namespace {

const QString Name = QStringLiteral("qiruvo");

// Every file below a folder, by relative path.
QMap<QString, QByteArray> tree(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readAll(path));
    }
    return files;
}

} // namespace

class ImagePassTest : public ::testing::Test
{
protected:
    void startHost(QList<Fault> faults = {})
    {
        SampleHostConfig config;
        config.images = true;
        config.faults = std::move(faults);
        host = std::make_unique<SampleHost>(config);
        ASSERT_TRUE(host->listen()) << host->errorString().toStdString();
    }

    // An article file as a download leaves it: GBK text around the pictures of its row, CR LF.
    QString writeArticle(int row, bool forced = false, bool hostile = false)
    {
        const QString path = archive() + QStringLiteral("/随笔/%1.html").arg(row, 24, 10, QLatin1Char('0'));
        QDir().mkpath(QFileInfo(path).path());
        QStringList lines{QStringLiteral("<div>第%1篇：乗皊的图片</div>").arg(row)};
        lines += SampleImages::bodyLines(Name, row, forced, hostile, host->baseUrl(), host->imageBaseUrl());
        lines.append(QStringLiteral("<p>完。</p>"));
        // Bytes that are not GBK, as some pages hold, must survive the rewrite.
        writeAll(path, "\x80\xff" + Gbk::encode(QString(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"))));
        files.append(path);
        return path;
    }

    ImageReport run(Archive::ImageOptions options = {})
    {
        options.retry = RetryTiming::none();
        ImagePass pass(options);
        QSignalSpy done(&pass, &ImagePass::finished);
        pass.start(archive(), files);
        EXPECT_TRUE(done.count() > 0 || done.wait(60000));
        return done.isEmpty() ? ImageReport{} : done.first().first().value<ImageReport>();
    }

    QString archive() const { return folder.file(Name); }
    QString imageFolder() const { return archive() + QStringLiteral("/images"); }
    QString address(const SampleImages::Picture &p) const
    {
        return (p.onImageHost ? host->imageBaseUrl() : host->baseUrl()).chopped(1) + SampleImages::path(Name, p);
    }
    QString fileName(const SampleImages::Picture &p) const
    {
        return ImageStore::hashOf(address(p).toUtf8()) + (p.jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    }
    int pictureRequests() const
    {
        int n = 0;
        for (const QString &path : host->requestLog())
            n += path.startsWith(QStringLiteral("/img/")) || path.startsWith(QStringLiteral("/moved/"));
        return n;
    }

    TempFolder folder;
    std::unique_ptr<SampleHost> host;
    QStringList files;
};

Q_DECLARE_METATYPE(Archive::ImageReport)

TEST_F(ImagePassTest, SavesEachPictureOnceAndRewritesOnlyItsReferences)
{
    startHost();
    QMap<QString, QByteArray> expected;
    QSet<QString> distinct;
    for (int row = 1; row <= 12; ++row) {
        const QString path = writeArticle(row);
        QByteArray bytes = readAll(path);
        for (const SampleImages::Picture &p : SampleImages::pictures(Name, row, false)) {
            bytes.replace(address(p).toUtf8(), QByteArray("../images/" + fileName(p).toUtf8()));
            distinct.insert(address(p));
        }
        expected.insert(path, bytes);
    }
    ASSERT_GE(distinct.size(), 4) << "the sample blog shows too few pictures for this test";

    const ImageReport report = run();
    EXPECT_EQ(report.pictures, distinct.size());
    EXPECT_EQ(report.saved, distinct.size());
    EXPECT_EQ(report.fetched, distinct.size());
    EXPECT_EQ(report.keptRemote, 0);
    EXPECT_TRUE(report.givenUp.isEmpty());
    // The logo stands in every article with pictures and is still fetched once.
    EXPECT_EQ(pictureRequests(), distinct.size());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(readAll(it.key()), it.value()) << it.key().toStdString();
    for (int row = 0; row <= 12; ++row) {
        for (const SampleImages::Picture &p : SampleImages::pictures(Name, row, row == 0)) {
            if (distinct.contains(address(p))) {
                EXPECT_EQ(readAll(imageFolder() + u'/' + fileName(p)), SampleImages::bytes(Name, p));
            }
        }
    }
}

TEST_F(ImagePassTest, SecondRunFetchesNothingAndARunOverAnOlderArchiveCompletesIt)
{
    startHost();
    for (int row = 1; row <= 12; ++row)
        writeArticle(row);
    QString older;
    for (const QString &file : std::as_const(files)) {
        if (older.isEmpty() && readAll(file).contains("http://"))
            older = file;
    }
    const QByteArray olderBytes = readAll(older);
    const QList<Archive::ImageReference> olderPictures = Archive::findImageReferences(olderBytes);
    ASSERT_FALSE(olderPictures.isEmpty());
    const ImageReport first = run();
    ASSERT_GT(first.fetched, 0);
    const QMap<QString, QByteArray> after = tree(archive());

    host->clearRequestLog();
    const ImageReport second = run();
    EXPECT_EQ(pictureRequests(), 0);
    EXPECT_EQ(second.fetched, 0);
    EXPECT_TRUE(tree(archive()) == after);

    // An article saved again with its remote addresses (rows 1 to 5 are fetched on every
    // download) and a picture lost from the folder: only the missing one is fetched.
    writeAll(older, olderBytes);
    const QString lost = ImageStore(imageFolder()).hashOf(olderPictures.first().address);
    const QStringList pictures = QDir(imageFolder()).entryList({lost + QStringLiteral(".*")}, QDir::Files);
    ASSERT_EQ(pictures.size(), 1);
    QFile::remove(imageFolder() + u'/' + pictures.first());
    const ImageReport third = run();
    EXPECT_EQ(pictureRequests(), 1);
    EXPECT_EQ(third.fetched, 1);
    EXPECT_TRUE(tree(archive()) == after);
}

namespace {

struct FaultCase
{
    const char *name;
    Fault fault;
    const char *reason; // empty: the pictures are saved
    int attempts;       // requests per faulty picture
};

std::ostream &operator<<(std::ostream &out, const FaultCase &c)
{
    return out << c.name;
}

class ImageFaults : public ImagePassTest, public ::testing::WithParamInterface<FaultCase>
{};

} // namespace

TEST_P(ImageFaults, EndAsDescribedAndLoseNothing)
{
    const FaultCase &c = GetParam();
    const int faultyRow = 4;
    startHost({c.fault});
    for (int row = 1; row <= 8; ++row)
        writeArticle(row, row == faultyRow);
    const QMap<QString, QByteArray> before = tree(archive());
    Archive::ImageOptions options;
    options.requestTimeoutMs = 1500;
    options.maxAttempts = 2;
    options.maxImageBytes = 1024 * 1024;
    const ImageReport report = run(options);

    QList<SampleImages::Picture> faulty;
    for (const SampleImages::Picture &p : SampleImages::pictures(Name, faultyRow, true)) {
        if (p.row == faultyRow)
            faulty.append(p);
    }
    if (QByteArray(c.reason).isEmpty()) {
        EXPECT_TRUE(report.givenUp.isEmpty());
        EXPECT_EQ(report.saved, report.pictures);
        return;
    }
    ASSERT_EQ(report.givenUp.size(), faulty.size());
    for (const Archive::ImageFailure &failure : report.givenUp)
        EXPECT_TRUE(failure.reason.contains(QLatin1String(c.reason))) << failure.reason.toStdString();
    for (const SampleImages::Picture &p : faulty) {
        EXPECT_EQ(host->requestCount(SampleImages::path(Name, p)), c.attempts) << c.name;
        EXPECT_FALSE(QFile::exists(imageFolder() + u'/' + fileName(p)));
    }
    EXPECT_EQ(report.keptRemote, faulty.size());
    EXPECT_EQ(report.saved, report.pictures - faulty.size());

    // The faulty article keeps the remote addresses of its faulty pictures; every other byte of
    // every article is as before apart from the rewritten links; only images/ gained files.
    const QMap<QString, QByteArray> after = tree(archive());
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (it.key().startsWith(QStringLiteral("images/"))) {
            EXPECT_FALSE(it.key().endsWith(QStringLiteral(".part")));
            continue;
        }
        ASSERT_TRUE(before.contains(it.key())) << it.key().toStdString();
        QByteArray restored = it.value();
        for (int row = 0; row <= 8; ++row) {
            for (const SampleImages::Picture &p : SampleImages::pictures(Name, row, true))
                restored.replace(QByteArray("../images/" + fileName(p).toUtf8()), address(p).toUtf8());
        }
        EXPECT_EQ(restored, before.value(it.key())) << it.key().toStdString();
    }
    const QString faultyFile = files[faultyRow - 1];
    for (const SampleImages::Picture &p : faulty)
        EXPECT_TRUE(readAll(faultyFile).contains(address(p).toUtf8()));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ImageFaults,
    ::testing::Values(FaultCase{"missing", Fault{4, FaultMode::ImageMissing}, "HTTP 404", 1},
                      FaultCase{"not_an_image", Fault{4, FaultMode::ImageNotImage}, "not an image", 1},
                      FaultCase{"announced_2_gb", Fault{4, FaultMode::ImageHuge}, "larger than", 1},
                      FaultCase{"endless_body_cut_at_the_cap", Fault{4, FaultMode::ImageEndless}, "larger than", 1},
                      FaultCase{"slow_times_out_after_every_attempt", Fault{4, FaultMode::ImageSlow, 4000}, "no answer",
                                2},
                      FaultCase{"redirect_loop", Fault{4, FaultMode::ImageLoop}, "redirect loop", 1},
                      FaultCase{"redirect_to_another_host_is_followed", Fault{4, FaultMode::ImageElsewhere}, "", 1}),
    [](const ::testing::TestParamInfo<FaultCase> &c) { return std::string(c.param.name); });

TEST_F(ImagePassTest, HostileAddressesWriteNothingOutsideImages)
{
    startHost({Fault{2, FaultMode::ImageHostile}, Fault{3, FaultMode::ImageHuge}, Fault{5, FaultMode::ImageLoop}});
    for (int row = 1; row <= 6; ++row)
        writeArticle(row, row == 3 || row == 5, row == 2);
    const QMap<QString, QByteArray> outside = tree(folder.path());
    const ImageReport report = run();
    QStringList reasons;
    for (const Archive::ImageFailure &failure : report.givenUp)
        reasons.append(failure.reason);
    const QString all = reasons.join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("redirect to an address that is not http or https"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("larger than"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("redirect loop"))) << all.toStdString();

    const QMap<QString, QByteArray> after = tree(folder.path());
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!outside.contains(it.key())) {
            EXPECT_TRUE(it.key().startsWith(Name + QStringLiteral("/images/"))) << it.key().toStdString();
        }
    }
    for (const QString &name : QDir(imageFolder()).entryList(QDir::Files))
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{24}\\.(png|jpg)$")).match(name).hasMatch())
            << name.toStdString();
    // The references that are not http(s) are left exactly as written.
    const QByteArray hostile = readAll(files[1]);
    EXPECT_TRUE(hostile.contains("src=\"../../x.png\""));
    EXPECT_TRUE(hostile.contains("src=\"data:image/png;base64,"));
    EXPECT_TRUE(hostile.contains("src=\"file:///etc/passwd\""));
}
