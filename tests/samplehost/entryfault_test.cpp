#include "common/gbkcodec.h"
#include "entryfault.h"
#include "sampleblog.h"
#include "samplepages.h"

#include <gtest/gtest.h>

TEST(EntryFault, ParsesEveryModeAndRefusesTheRest)
{
    EXPECT_EQ(parseEntryFault(QStringLiteral("3=crlf-title")).value(), (EntryFault{3, EntryFaultMode::CrLfTitle}));
    EXPECT_EQ(parseEntryFault(QStringLiteral("7=long-category")).value(),
              (EntryFault{7, EntryFaultMode::LongCategory}));
    EXPECT_EQ(parseEntryFault(QStringLiteral("2=category:随笔 1")).value(),
              (EntryFault{2, EntryFaultMode::Category, QStringLiteral("随笔 1")}));
    for (const char *bad : {"0=empty-title", "x=empty-title", "3", "3=nul"})
        EXPECT_FALSE(parseEntryFault(QString::fromLatin1(bad))) << bad;
}

// The client must see exactly one byte GBK lacks in place of one character of the link, and
// decode the listed link back to the one the host serves.
TEST(EntryFault, NonGbkLinkIsListedWithAByteThatDecodesToTheServedLink)
{
    SampleHostConfig config;
    config.articles = 3;
    config.entryFaults = {EntryFault{2, EntryFaultMode::NonGbkLink}};
    const SampleBlog blog = generateBlog(QStringLiteral("b"), config);
    const QString link = blog.articles[1].link;
    ASSERT_EQ(link.size(), 29);
    const QByteArray page = encodePage(SamplePages::listPage(blog, 0));
    EXPECT_EQ(page.count('\xFF'), 1);
    EXPECT_TRUE(Gbk::decode(page).contains(QStringLiteral("/blog/item/") + link));
}
