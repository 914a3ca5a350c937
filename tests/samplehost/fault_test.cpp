#include "fault.h"

#include <gtest/gtest.h>

struct FaultCase
{
    const char16_t *spec;
    bool ok;
    Fault fault;
};

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << '"' << QString::fromUtf16(c.spec).toStdString() << '"';
}

class FaultSpec : public testing::TestWithParam<FaultCase>
{};

TEST_P(FaultSpec, ParsesOrRefuses)
{
    const FaultCase &c = GetParam();
    const Result<Fault> fault = parseFault(QString::fromUtf16(c.spec));
    ASSERT_EQ(fault.ok(), c.ok) << fault.error().toStdString();
    if (c.ok) {
        EXPECT_EQ(*fault, c.fault);
        EXPECT_EQ(parseFault(faultText(*fault)).value(), c.fault);
    } else {
        EXPECT_FALSE(fault.error().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(SampleHost, FaultSpec,
                         testing::Values(FaultCase{u"3=slow:250", true, {3, FaultMode::Slow, 250}},
                                         FaultCase{u"1=broken-once", true, {1, FaultMode::BrokenOnce, 0}},
                                         FaultCase{u"7=withdrawn-notopen", true, {7, FaultMode::WithdrawnNotOpen, 0}},
                                         FaultCase{u"12=crlf", true, {12, FaultMode::CrLf, 0}},
                                         FaultCase{u"3=img-slow:250", true, {3, FaultMode::ImageSlow, 250}},
                                         FaultCase{u"8=img-hostile", true, {8, FaultMode::ImageHostile, 0}},
                                         FaultCase{u"8=img-slow", false, {}}, FaultCase{u"0=reset", false, {}},
                                         FaultCase{u"-2=reset", false, {}}, FaultCase{u"x=never", false, {}},
                                         FaultCase{u"4=slow:", false, {}}, FaultCase{u"4=slow:-5", false, {}},
                                         FaultCase{u"4=Never", false, {}}, FaultCase{u"4 never", false, {}},
                                         FaultCase{u"", false, {}}));

// Faults of the blog address page and the list pages.
INSTANTIATE_TEST_SUITE_P(
    PageFaults, FaultSpec,
    testing::Values(FaultCase{u"blog=drip", true, {0, FaultMode::Drip, 0, FaultTarget::BlogPage}},
                    FaultCase{u"list:0=never", true, {0, FaultMode::Never, 0, FaultTarget::ListPage}},
                    FaultCase{u"list:*=http500", true, {AnyListPage, FaultMode::Http500, 0, FaultTarget::ListPage}},
                    FaultCase{u"every=http500", true, {0, FaultMode::Http500, 0, FaultTarget::Every}},
                    FaultCase{u"list:2=flood:40000", true, {2, FaultMode::EntryFlood, 0, FaultTarget::ListPage, 40000}},
                    FaultCase{
                        u"3=redirect:http://127.0.0.1:9/a=b",
                        true,
                        {3, FaultMode::Redirect, 0, FaultTarget::Article, 0, QStringLiteral("http://127.0.0.1:9/a=b")}},
                    FaultCase{u"list:1=gzip-bomb", true, {1, FaultMode::GzipBomb, 0, FaultTarget::ListPage}},
                    FaultCase{u"5=endless", true, {5, FaultMode::Endless, 0}}, FaultCase{u"list:-1=never", false, {}},
                    FaultCase{u"list:=never", false, {}}, FaultCase{u"list:1=flood:0", false, {}},
                    FaultCase{u"list:1=redirect:", false, {}}, FaultCase{u"blogs=drip", false, {}}));

TEST(FaultLines, SkipsCommentsAndBlankLinesAndNamesTheBadLine)
{
    const Result<QList<Fault>> faults =
        parseFaultLines(QStringLiteral("# rows to break\n\n2 http500\r\n5 slow:100  # slow one\n9=reset\n"));
    ASSERT_TRUE(faults.ok()) << faults.error().toStdString();
    const QList<Fault> expected{{2, FaultMode::Http500, 0}, {5, FaultMode::Slow, 100}, {9, FaultMode::Reset, 0}};
    EXPECT_EQ(*faults, expected);

    const Result<QList<Fault>> bad = parseFaultLines(QStringLiteral("2 http500\n3 explode\n"));
    ASSERT_FALSE(bad.ok());
    EXPECT_TRUE(bad.error().startsWith(u"line 2:")) << bad.error().toStdString();
}
