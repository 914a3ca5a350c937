#include "common/gbkcodec.h"
#include "helpfile/portablecopy.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

using namespace HelpFile;

QByteArray gbk(const QString &text)
{
    return Gbk::encode(text);
}

const QByteArray declaration = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\r\n";

// Relinks the targets it knows, calls any other "gone…" Missing and keeps the rest.
Relinker table(const QMap<QByteArray, QByteArray> &targets)
{
    return [targets](QByteArrayView raw) {
        const QByteArray target = raw.toByteArray();
        if (targets.contains(target))
            return Relink{Relink::Replace, targets.value(target)};
        if (target.startsWith("gone"))
            return Relink{Relink::Missing};
        return Relink{};
    };
}

TEST(PortablePage, ChangesNoByteButLinkTargetsAndTheDeclaration)
{
    // 乗 is 81 5C: its trail byte is a backslash. \x81 before a blank and \xFF are not GBK at all.
    const QByteArray page = gbk(QStringLiteral("<p>乗\\路径 ")) + "\x81 \xFF\x80" +
                            gbk(QStringLiteral("<A HREF=乗车\\淺談.html>乗</A><img src = 'pic.png' >"
                                               "<a href=\"http://host/乗\\x.html\">web</a><a href=#top>top</a>"
                                               "<a href=\" 随笔\\1.html#part \">1</a><td background=gone.gif>"
                                               "<a href=../outside.html>out</a></p>\r\n"));
    const QByteArray stored =
        portablePage(page,
                     table({{gbk(QStringLiteral("乗车\\淺談.html")), "u4e57u8f66/u6dfau8ac7.html"},
                            {"pic.png", "pic.png"},
                            {gbk(QStringLiteral("随笔\\1.html#part")), "u968fu7b14/1.html#part"}}),
                     "gbk");
    const QByteArray expected = declaration + gbk(QStringLiteral("<p>乗\\路径 ")) + "\x81 \xFF\x80" +
                                gbk(QStringLiteral("<A HREF=u4e57u8f66/u6dfau8ac7.html>乗</A><img src = 'pic.png' >"
                                                   "<a href=\"http://host/乗\\x.html\">web</a><a href=#top>top</a>"
                                                   "<a href=\" u968fu7b14/1.html#part \">1</a><td background=gone.gif>"
                                                   "<a href=../outside.html>out</a></p>\r\n"));
    EXPECT_EQ(stored.toHex(' '), expected.toHex(' '));
}

struct CharsetCase
{
    const char *page;
    QByteArray charset;
    bool declared; // the stored page gets the declaration
};

class PortablePageCharset : public ::testing::TestWithParam<CharsetCase>
{};

TEST_P(PortablePageCharset, IsDeclaredOnlyWhereThePageDeclaresNone)
{
    const QByteArray page = GetParam().page;
    const QByteArray stored = portablePage(page, table({}), GetParam().charset);
    EXPECT_EQ(stored, GetParam().declared ? declaration + page : page);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PortablePageCharset,
    ::testing::Values(CharsetCase{"<p>no declaration</p>", "gbk", true},
                      CharsetCase{"<html><head><title>t</title></head>", "gbk", true},
                      CharsetCase{"<meta charset=gb2312><p>x</p>", "gbk", false},
                      CharsetCase{"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=utf-8\">", "gbk",
                                  false},
                      CharsetCase{"<?xml version=\"1.0\" encoding=\"gbk\"?><p>x</p>", "gbk", false},
                      CharsetCase{"\xEF\xBB\xBF<p>UTF-8 with a byte-order mark</p>", "gbk", false},
                      CharsetCase{"<meta name=keywords content=\"charsets\"><p>x</p>", "gbk", true},
                      CharsetCase{"<p>a language whose code page is unknown</p>", "", false}));

struct StrayCase
{
    const char *page;
    const char *stored;
};

class PortablePageStray : public ::testing::TestWithParam<StrayCase>
{};

TEST_P(PortablePageStray, LessThanThatOpensNoTagIsStoredAsAnEntity)
{
    EXPECT_EQ(portablePage(GetParam().page, table({}), {}), QByteArray(GetParam().stored));
}

INSTANTIATE_TEST_SUITE_P(Pages, PortablePageStray,
                         ::testing::Values(StrayCase{"<td><---click</td>", "<td>&lt;---click</td>"},
                                           StrayCase{"a < b and 1<2 <3", "a &lt; b and 1&lt;2 &lt;3"},
                                           StrayCase{"<b>x</b><!-- < --><!DOCTYPE html><?xml x?>",
                                                     "<b>x</b><!-- < --><!DOCTYPE html><?xml x?>"},
                                           StrayCase{"<script>if (a < b) x = '<';</script> < ",
                                                     "<script>if (a < b) x = '<';</script> &lt; "},
                                           StrayCase{"<style>p < q {}</style>", "<style>p < q {}</style>"},
                                           StrayCase{"end <", "end &lt;"}, StrayCase{"</ p> <=", "</ p> &lt;="}));

TEST(PortablePage, EntitiesInATargetAreReadAndWhatFollowsItsPathIsKept)
{
    const Relinker relink = [](QByteArrayView raw) {
        EXPECT_EQ(raw, QByteArrayView("a&amp;b.html?x=1&amp;y=2#z"));
        return Relink{Relink::Replace, "a_b.html?x=1&amp;y=2#z"};
    };
    EXPECT_EQ(portablePage("<a href='a&amp;b.html?x=1&amp;y=2#z'>", relink, {}), "<a href='a_b.html?x=1&amp;y=2#z'>");
}

TEST(PortableSitemap, QuotesEveryParamAndRelinksLocals)
{
    const QByteArray sitemap =
        gbk(QStringLiteral("<UL>\r\n"
                           "<LI> <OBJECT type=Text/sitemap> <param name=Name value=随笔\\1.html>  <param name=Local "
                           "value=随笔\\1.html>  <param name=ImageNumber value=11> </OBJECT>\r\n"
                           "<LI> <object type=\"text/sitemap\"><param name='Name' value='Say \"hi\" &amp; Q&A'>"
                           "<param name=\"Local\" value=\"http://host/x.html\"></object>\r\n"
                           "</UL>\r\n"));
    int dropped = 0;
    const QByteArray stored =
        portableSitemap(sitemap, table({{gbk(QStringLiteral("随笔\\1.html")), "u968fu7b14/1.html"}}), &dropped);
    EXPECT_EQ(Gbk::decode(stored),
              QStringLiteral("<UL>\r\n"
                             "<LI> <OBJECT type=Text/sitemap> <param name=\"Name\" value=\"随笔\\1.html\">  <param "
                             "name=\"Local\" value=\"u968fu7b14/1.html\">  <param name=\"ImageNumber\" value=\"11\"> "
                             "</OBJECT>\r\n"
                             "<LI> <object type=\"text/sitemap\"><param name=\"Name\" value=\"Say &quot;hi&quot; "
                             "&amp; Q&amp;A\"><param name=\"Local\" value=\"http://host/x.html\"></object>\r\n"
                             "</UL>\r\n"));
    EXPECT_EQ(dropped, 0);
}

TEST(PortableSitemap, EntryWhoseEveryLocalIsGoneIsLeftOut)
{
    const QByteArray sitemap = "<UL>\r\n"
                               "<LI> <OBJECT type=Text/sitemap> <param name=Name value=a> <param name=Local "
                               "value=a.html></OBJECT>\r\n"
                               "<LI> <OBJECT type=Text/sitemap> <param name=Name value=b> <param name=Local "
                               "value=gone\\b.html></OBJECT>\r\n"
                               "<LI> <OBJECT type=Text/sitemap> <param name=Name value=c> <param name=Local "
                               "value=gone.html> <param name=Local value=c.html></OBJECT>\r\n"
                               "\r\n"
                               "</UL>\r\n";
    int dropped = 0;
    const QByteArray stored = portableSitemap(sitemap, table({{"a.html", "a.html"}, {"c.html", "c.html"}}), &dropped);
    EXPECT_EQ(stored, "<UL>\r\n"
                      "<LI> <OBJECT type=Text/sitemap> <param name=\"Name\" value=\"a\"> <param name=\"Local\" "
                      "value=\"a.html\"></OBJECT>\r\n"
                      "<LI> <OBJECT type=Text/sitemap> <param name=\"Name\" value=\"c\"> <param name=\"Local\" "
                      "value=\"gone.html\"> <param name=\"Local\" value=\"c.html\"></OBJECT>\r\n"
                      "\r\n"
                      "</UL>\r\n");
    EXPECT_EQ(dropped, 1);
}

TEST(PortableCopyPaths, RelativePathFromAFolderToAFile)
{
    EXPECT_EQ(relativePath(QString(), QStringLiteral("a/b.html")), QStringLiteral("a/b.html"));
    EXPECT_EQ(relativePath(QStringLiteral("a"), QStringLiteral("a/b.html")), QStringLiteral("b.html"));
    EXPECT_EQ(relativePath(QStringLiteral("a"), QStringLiteral("index.html")), QStringLiteral("../index.html"));
    EXPECT_EQ(relativePath(QStringLiteral("a/b"), QStringLiteral("c/d.html")), QStringLiteral("../../c/d.html"));
    EXPECT_EQ(relativePath(QStringLiteral("a/b"), QStringLiteral("a/c/d.html")), QStringLiteral("../c/d.html"));
    // A folder named like the file's first segment is not shared with it.
    EXPECT_EQ(relativePath(QStringLiteral("images"), QStringLiteral("images")), QStringLiteral("../images"));
    EXPECT_EQ(charsetOf(0x804), "gbk");
    EXPECT_EQ(charsetOf(0x404), "big5");
    EXPECT_EQ(charsetOf(0x409), "windows-1252");
    EXPECT_EQ(charsetOf(0x0429), "");
}

} // namespace
