#include "archive/imagestore.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

using Archive::ImageStore;

namespace {

// A hash as short as can be: every address below has the same one.
QString tinyHash(QByteArrayView)
{
    return QStringLiteral("c0111de0c0111de0c0111de0");
}

} // namespace

TEST(ImageStore, TwoAddressesWithOneHashKeepTheirOwnPictures)
{
    TempFolder folder;
    const QString images = folder.file(QStringLiteral("images"));
    ImageStore store(images, &tinyHash);
    const QByteArray first = "http://127.0.0.1:1/img/a.png";
    const QByteArray second = "http://127.0.0.1:1/img/b.png";

    const Result<QString> firstName = store.save(first, QStringLiteral("png"), "first picture");
    ASSERT_TRUE(firstName);
    EXPECT_TRUE(store.find(second).isEmpty());
    const Result<QString> secondName = store.save(second, QStringLiteral("png"), "second picture");
    ASSERT_TRUE(secondName);

    EXPECT_NE(*firstName, *secondName);
    EXPECT_EQ(store.find(first), *firstName);
    EXPECT_EQ(store.find(second), *secondName);
    EXPECT_EQ(readAll(QDir(images).filePath(store.find(first))), QByteArray("first picture"));
    EXPECT_EQ(readAll(QDir(images).filePath(store.find(second))), QByteArray("second picture"));
}

TEST(ImageStore, AddressWhoseHashNamesAnOlderFileIsNotGivenItWhenAnotherOwnsIt)
{
    TempFolder folder;
    const QString images = folder.file(QStringLiteral("images"));
    {
        ImageStore earlier(images, &tinyHash);
        ASSERT_TRUE(earlier.save("http://127.0.0.1:1/img/a.png", QStringLiteral("png"), "first picture"));
    }
    ImageStore store(images, &tinyHash);
    store.load();
    // The first address to ask owns the file on disk; the next one with the same hash gets its own.
    EXPECT_FALSE(store.find("http://127.0.0.1:1/img/a.png").isEmpty());
    EXPECT_TRUE(store.find("http://127.0.0.1:1/img/b.png").isEmpty());
}
