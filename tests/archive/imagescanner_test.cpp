#include "archive/imagescanner.h"
#include "common/gbkcodec.h"

#include <gtest/gtest.h>

using Archive::findImageReferences;

namespace {

struct ScanCase
{
    const char *name;
    QByteArray html;
    QList<QByteArray> addresses; // what the scan must find, in order
};

std::ostream &operator<<(std::ostream &out, const ScanCase &c)
{
    return out << c.name;
}

QByteArray gbk(const char16_t *text)
{
    return Gbk::encode(QStringView(text));
}

class ImageScanner : public ::testing::TestWithParam<ScanCase>
{};

} // namespace

TEST_P(ImageScanner, FindsRemotePictureAddressesAndWhereTheyLie)
{
    const ScanCase &c = GetParam();
    const QList<Archive::ImageReference> found = findImageReferences(c.html);
    ASSERT_EQ(found.size(), c.addresses.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].address, c.addresses[i]);
        // The offsets frame the value as written, so a rewrite replaces exactly that.
        QByteArray written = c.html.mid(found[i].begin, found[i].end - found[i].begin);
        written.replace("&amp;", "&");
        EXPECT_EQ(written, c.addresses[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageScanner,
    ::testing::Values(
        ScanCase{"double_quotes", "<p><img src=\"http://a.example/x.png\" alt=\"\"></p>", {"http://a.example/x.png"}},
        ScanCase{
            "single_quotes_upper_case", "<IMG Alt='x' SRC='HTTPS://a.example/y.jpg'>", {"HTTPS://a.example/y.jpg"}},
        ScanCase{"unquoted_and_self_closing", "<img src=http://a.example/z.gif/>", {"http://a.example/z.gif/"}},
        ScanCase{"background_of_any_tag",
                 "<td background=\"http://a.example/bg.png\"><body BACKGROUND=http://b/c>",
                 {"http://a.example/bg.png", "http://b/c"}},
        ScanCase{
            "space_around_equals_and_value", "<img src = \" http://a.example/s.png \">", {"http://a.example/s.png"}},
        ScanCase{"entities_decoded", "<img src=\"http://a.example/p?a=1&amp;b=2\">", {"http://a.example/p?a=1&b=2"}},
        ScanCase{"local_data_and_other_schemes_left_alone",
                 "<img src=\"../images/a.png\"><img src=\"data:image/png;base64,AAAA\"><img src=\"../../x.png\">"
                 "<img src=\"file:///etc/passwd\"><img src=\"//cdn.example/x.png\"><img src=\"ftp://h/x.png\">",
                 {}},
        ScanCase{"src_of_other_tags_left_alone",
                 "<script src=\"http://a.example/s.js\"></script><a href=\"http://x/\">",
                 {}},
        ScanCase{"comments_skipped",
                 "<!-- <img src=\"http://a.example/old.png\"> --><img src=\"http://a/new.png\">",
                 {"http://a/new.png"}},
        ScanCase{"text_outside_tags_is_not_a_tag", "src=\"http://a/no.png\" <b>img src=http://a/no2.png</b>", {}},
        // 乗 is 0x81 0x5C and 皊 ends in 0x73 ('s'); the offsets count bytes, not characters.
        ScanCase{"gbk_trail_bytes_in_names_and_values",
                 gbk(u"<img alt=乗皊 src=\"http://a/中文.png\" title=\"图\\\"><p>乗</p><img src='http://a/b.png'>"),
                 {gbk(u"http://a/中文.png"), "http://a/b.png"}},
        ScanCase{"unclosed_quote_finds_nothing_after_it", "<img src=\"http://a/x.png", {}},
        // A "<" before anything but a letter, "/", "!" or "?" is text, as a browser shows it.
        ScanCase{"less_than_in_text_is_not_a_tag", "1 < background=\"http://a/t.png\" 2", {}},
        // A lead byte before a blank is no GBK character, so the blank still ends the name before it.
        ScanCase{
            "lone_lead_byte_keeps_the_next_name_apart", "<img alt=x \x81 src=\"http://a/p.png\">", {"http://a/p.png"}}),
    [](const ::testing::TestParamInfo<ScanCase> &c) { return std::string(c.param.name); });
