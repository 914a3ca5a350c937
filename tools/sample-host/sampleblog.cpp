#include "sampleblog.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <numeric>
#include <vector>

namespace {

// splitmix64's output function: a bijection, so distinct inputs give distinct outputs.
quint64 mix(quint64 z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

quint64 fnv1a(const QByteArray &bytes)
{
    quint64 hash = 0xCBF29CE484222325ULL;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001B3ULL;
    }
    return hash;
}

// Each property of an article draws from its own stream, so that changing how one is made leaves
// the others as they were.
enum class Stream : quint64 { Blog = 1, Category, Title, Date, Body };

quint64 seedFor(quint64 blogSeed, Stream stream, quint64 index)
{
    return mix(blogSeed ^ mix(static_cast<quint64>(stream) * 0x9E3779B97F4A7C15ULL + index));
}

class Rng
{
public:
    explicit Rng(quint64 seed)
        : m_state(seed)
    {}
    quint64 next() { return mix(m_state += 0x9E3779B97F4A7C15ULL); }
    int below(int bound) { return static_cast<int>(next() % static_cast<quint64>(bound)); }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    bool chance(int oneIn) { return below(oneIn) == 0; }
    template <std::size_t N> QStringView pick(const std::array<QStringView, N> &pool)
    {
        return pool[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

private:
    quint64 m_state;
};

// Word pools keep their lengths, so that picking a word does not measure it.
template <std::size_t... N> constexpr auto pool(const char16_t (&...items)[N])
{
    return std::array<QStringView, sizeof...(N)>{QStringView(items, static_cast<qsizetype>(N - 1))...};
}

// The fixed category names: the first six are the ones every default blog shows, and each of them
// tests something (a name to sanitise, a space, a slash and a plus, a GBK-only character).
constexpr auto CategoryNames = pool(u"默认分类", u"随笔", u"生活 点滴", u"C++/Qt", u"旧時光", u"Q&A #1", u"读书笔记",
                                    u"旅行", u"音乐", u"摄影", u"美食", u"工作", u"电影", u"杂谈", u"编程", u"家人");

constexpr auto TitleOpeners =
    pool(u"周末", u"今天", u"昨晚", u"清晨", u"午后", u"深夜", u"雨后", u"春节", u"国庆", u"五一", u"年末",
         u"开学第一天", u"出差途中", u"回家路上", u"在杭州", u"在成都", u"在北京", u"夏天", u"初冬", u"又是一年");
constexpr auto TitleVerbs = pool(u"终于", u"又一次", u"想起了", u"看完了", u"重读", u"遇见", u"告别", u"记录", u"整理",
                                 u"写给", u"说说", u"怀念");
constexpr auto TitleTopics =
    pool(u"读书笔记", u"一点感想", u"杂记", u"小记", u"旧照片", u"老同学", u"咖啡馆", u"地铁上的人", u"楼下的面馆",
         u"西湖边", u"第一场雪", u"父亲的来信", u"外婆家的院子", u"毕业十年", u"搬家", u"一次旅行", u"夜跑",
         u"学做红烧肉", u"阳台上的花", u"一本旧书", u"电影散场以后", u"老街", u"小城故事", u"朋友的婚礼", u"雨中的长城",
         u"舊時光裡的我們", u"那些年的歌");
constexpr auto TitleTech =
    pool(u"Qt 信号与槽", u"C++ 模板", u"QString 与编码", u"GB2312 和 GBK", u"Makefile 小技巧", u"Linux 下编译 Qt",
         u"正则表达式", u"HTTP 长连接", u"多线程与事件循环", u"单元测试", u"重构旧代码", u"VB6 的数组");
constexpr auto TitleSuffixes = pool(u"（上）", u"（下）", u"之一", u"之二", u"(续)", u"！", u"？", u"……", u"——随手记",
                                    u" 2010", u"·备忘", u" [转]", u"：写在前面", u"(1)", u"100 天");
constexpr auto TitleAbout = pool(u"几件事", u"一些想法", u"回忆", u"碎碎念", u"那些人");

constexpr auto TimePhrases = pool(u"那天", u"后来", u"很多年以后", u"每到周末", u"不知不觉中", u"说起来", u"其实",
                                  u"记得小时候", u"天快黑的时候", u"那時候", u"第二天一早");
constexpr auto Subjects = pool(u"我", u"我们", u"朋友", u"老王", u"妈妈", u"同事", u"那个下午", u"这座城市",
                               u"窗外的雨", u"时间", u"他", u"她们", u"孩子们", u"隔壁的阿姨");
constexpr auto Adverbs =
    pool(u"总是", u"常常", u"突然", u"慢慢地", u"悄悄地", u"终于", u"偶尔", u"一直", u"好像", u"依然", u"还是");
constexpr auto Verbs = pool(u"想起", u"走过", u"看见", u"听见", u"写下", u"记得", u"喜欢", u"等待", u"回到", u"忘记",
                            u"收拾", u"谈起", u"路过");
constexpr auto Objects =
    pool(u"那条熟悉的小路", u"一杯热茶", u"旧日的书信", u"远处的山", u"窗台上的猫", u"街角的书店", u"夏夜的星空",
         u"黄昏的光", u"一首老歌", u"门前的梧桐树", u"刚出炉的面包", u"冬天的第一场雪", u"操场边的秋千", u"火车站的钟",
         u"舊時光裡的照片", u"一封没有寄出的信");
constexpr auto Afterthoughts = pool(u"心里忽然很安静", u"仿佛一切都没有变", u"也说不清是为什么", u"就这样过了很久",
                                    u"大家都笑了", u"风一吹就散了");
constexpr auto Endings = pool(u"。", u"。", u"。", u"！", u"？", u"……", u"。");
constexpr auto CodeLines =
    pool(u"QString text = QStringLiteral(\"你好，世界\");", u"for (int i = 0; i &lt; list.size(); ++i)",
         u"    qDebug() &lt;&lt; list.at(i);", u"connect(button, &amp;QPushButton::clicked, this, &amp;Window::go);",
         u"Dim s As String: s = \"查看\" &amp; i", u"std::vector&lt;int&gt; v{1, 2, 3};");

// Joins parts drawn from one generator; a braced list, unlike operator+, evaluates them in order.
QString concat(std::initializer_list<QStringView> parts)
{
    QString text;
    for (const QStringView part : parts)
        text += part;
    return text;
}

int gbkSize(QStringView text)
{
    int size = 0;
    for (const QChar c : text)
        size += c.unicode() < 0x80 ? 1 : 2;
    return size;
}

QString makeTitle(Rng &rng)
{
    QString title;
    switch (rng.below(7)) {
    case 0:
        title = concat({rng.pick(TitleOpeners), rng.pick(TitleVerbs), rng.pick(TitleTopics)});
        break;
    case 1:
        title = concat({rng.pick(TitleTopics), rng.pick(TitleSuffixes)});
        break;
    case 2:
        title = concat({rng.pick(TitleOpeners), u"，", rng.pick(TitleTopics)});
        break;
    case 3:
        title = concat({rng.pick(TitleTech), rng.chance(2) ? QStringView(u"笔记") : rng.pick(TitleSuffixes)});
        break;
    case 4:
        title = concat({u"关于", rng.pick(TitleTopics), u"的", rng.pick(TitleAbout)});
        break;
    case 5:
        title = concat({rng.pick(TitleVerbs), rng.pick(TitleTopics), rng.pick(TitleSuffixes)});
        break;
    default:
        title =
            concat({rng.pick(TitleOpeners), rng.pick(TitleTopics), u"，", rng.pick(TitleVerbs), rng.pick(TitleTopics)});
        break;
    }
    while (title.size() < 6)
        title += rng.pick(TitleTopics);
    if (rng.chance(12))
        title += u" #" + QString::number(rng.below(99) + 1);
    if (title.size() > 30)
        title.truncate(30);
    return title.trimmed();
}

// Appends sentences to a line, each part drawn in turn.
void appendSentences(Rng &rng, int count, QString &line)
{
    for (int i = 0; i < count; ++i) {
        if (rng.chance(3)) {
            line += rng.pick(TimePhrases);
            line += u'，';
        }
        line += rng.pick(Subjects);
        line += rng.pick(Adverbs);
        line += rng.pick(Verbs);
        line += rng.pick(Objects);
        if (rng.chance(4)) {
            line += u'，';
            line += rng.pick(Afterthoughts);
        }
        line += rng.pick(Endings);
    }
}

// Appends one piece of an article's text: usually a paragraph, sometimes a list, a quote or a
// code block. Lines are built in place, since a host makes a body for every article request.
void appendBodyPiece(Rng &rng, bool technical, QStringList &lines)
{
    const int kind = technical ? 18 : rng.below(20);
    if (kind == 16) {
        lines.append(QStringLiteral("<p>&nbsp;</p>"));
        return;
    }
    if (kind == 18) {
        lines.append(QStringLiteral("<pre>"));
        const int count = 2 + rng.below(4);
        for (int i = 0; i < count; ++i)
            lines.append(rng.pick(CodeLines).toString());
        lines.append(QStringLiteral("</pre>"));
        return;
    }
    QString line;
    if (kind < 12) {
        line += u"<p>";
        appendSentences(rng, 2 + rng.below(7), line);
        line += u"</p>";
    } else if (kind == 12) {
        line += u"<p style=\"text-indent:2em\">";
        appendSentences(rng, 3, line);
        line += u"<br>";
        appendSentences(rng, 2, line);
        line += u"</p>";
    } else if (kind == 13) {
        line += u"<p><strong>";
        line += rng.pick(TitleTopics);
        line += u"</strong></p>";
    } else if (kind == 14) {
        line += u"<ul>";
        for (int i = 0; i < 3; ++i) {
            line += u"<li>";
            appendSentences(rng, 1, line);
            line += u"</li>";
        }
        line += u"</ul>";
    } else if (kind == 15) {
        line += u"<blockquote>";
        appendSentences(rng, 2, line);
        line += u"</blockquote>";
    } else if (kind == 17) {
        line += u"<p>";
        appendSentences(rng, 1, line);
        line += u"<a href=\"http://www.example.com/\" target=\"_blank\">原文链接</a>";
        appendSentences(rng, 1, line);
        line += u"</p>";
    } else {
        line += u"<p><em>";
        appendSentences(rng, 1 + rng.below(3), line);
        line += u"</em></p>";
    }
    lines.append(line);
}

QString formatMinutes(qint64 minutes)
{
    return QDateTime::fromSecsSinceEpoch(minutes * 60, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// Categories are used unevenly, as on a real blog: the category of rank r (a per-blog shuffle of
// the indexes) is 1/(r + 1) as likely as the first.
std::vector<double> categoryWeights(quint64 blogSeed, int count)
{
    std::vector<int> ranks(static_cast<std::size_t>(count));
    std::iota(ranks.begin(), ranks.end(), 0);
    Rng rng(seedFor(blogSeed, Stream::Category, ~0ULL));
    for (int i = count - 1; i > 0; --i)
        std::swap(ranks[static_cast<std::size_t>(i)], ranks[static_cast<std::size_t>(rng.below(i + 1))]);
    std::vector<double> cumulative(static_cast<std::size_t>(count));
    double sum = 0;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        sum += 1.0 / (ranks[i] + 1);
        cumulative[i] = sum;
    }
    return cumulative;
}

// Every category gets at least one article when there are enough: an empty one takes an article
// from the biggest.
void fillEmptyCategories(QList<SampleArticle> &articles, int categoryCount, quint64 blogSeed)
{
    std::vector<int> counts(static_cast<std::size_t>(categoryCount));
    for (const SampleArticle &article : articles)
        ++counts[static_cast<std::size_t>(article.categoryIndex)];
    Rng rng(seedFor(blogSeed, Stream::Category, ~1ULL));
    for (int k = 0; k < categoryCount; ++k) {
        if (counts[static_cast<std::size_t>(k)] > 0)
            continue;
        const auto biggest = static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
        if (counts[static_cast<std::size_t>(biggest)] < 2)
            return;
        const int start = rng.below(static_cast<int>(articles.size()));
        for (qsizetype step = 0; step < articles.size(); ++step) {
            SampleArticle &article = articles[(start + step) % articles.size()];
            if (article.categoryIndex == biggest) {
                article.categoryIndex = k;
                --counts[static_cast<std::size_t>(biggest)];
                ++counts[static_cast<std::size_t>(k)];
                break;
            }
        }
    }
}

QString hex(quint64 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).right(digits);
}

} // namespace

int SampleBlog::lastPage() const
{
    if (articles.isEmpty() || listSize < 1)
        return 0;
    return static_cast<int>((articles.size() - 1) / listSize);
}

QList<SampleArticle>::const_iterator SampleBlog::pageBegin(int page) const
{
    return articles.cbegin() + std::clamp<qint64>(static_cast<qint64>(page) * listSize, 0, articles.size());
}

QList<SampleArticle>::const_iterator SampleBlog::pageEnd(int page) const
{
    const qint64 first = pageBegin(page) - articles.cbegin();
    return articles.cbegin() + std::clamp<qint64>((static_cast<qint64>(page) + 1) * listSize, first, articles.size());
}

QStringList sampleCategories(int count)
{
    QStringList names;
    for (int k = 0; k < count; ++k) {
        names.append(k < static_cast<int>(CategoryNames.size()) ? CategoryNames[static_cast<std::size_t>(k)].toString()
                                                                : u"分类" + QString::number(k + 1));
    }
    return names;
}

QString bodyStartLine()
{
    return QStringLiteral("<div class=\"tit\"><span>查看文章</span></div></td>");
}

SampleBlog generateBlog(const QString &name, const SampleHostConfig &config, SampleBodies bodies)
{
    const quint64 blogSeed = fnv1a(name.toUtf8());
    const int count = std::max(config.articles, 0);
    const int categoryCount = std::max(config.categories, 1);

    SampleBlog blog;
    blog.name = name;
    blog.listSize = std::max(config.listSize, 1);
    blog.categories = sampleCategories(categoryCount);
    blog.articles.reserve(count);

    // Newest first: the first article's date lies in 2011, each older one a little earlier, closer
    // together the more articles there are, so that even huge blogs keep four-digit years.
    constexpr qint64 MinutesPerDay = 24 * 60;
    const qint64 averageStep = std::clamp<qint64>(4'200'000 / std::max(count, 1), 1, 10 * MinutesPerDay);
    Rng blogRng(seedFor(blogSeed, Stream::Blog, 0));
    qint64 minutes =
        QDateTime(QDate(2012, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch() / 60 - blogRng.below(365 * MinutesPerDay);

    const std::vector<double> weights = categoryWeights(blogSeed, categoryCount);
    for (int index = 0; index < count; ++index) {
        SampleArticle article;
        Rng titleRng(seedFor(blogSeed, Stream::Title, static_cast<quint64>(index)));
        article.title = makeTitle(titleRng);

        Rng categoryRng(seedFor(blogSeed, Stream::Category, static_cast<quint64>(index)));
        const double draw = categoryRng.unit() * weights.back();
        article.categoryIndex =
            static_cast<int>(std::upper_bound(weights.begin(), weights.end(), draw) - weights.begin());
        article.categoryIndex = std::min(article.categoryIndex, categoryCount - 1);

        // The bijective mix of seed + index keeps links unique within the blog.
        article.link = hex(mix(blogSeed + static_cast<quint64>(index)), 16) +
                       hex(mix(blogSeed ^ (0x5bd1e995ULL + static_cast<quint64>(index))) >> 32, 8) +
                       QStringLiteral(".html");

        if (index > 0) {
            Rng dateRng(seedFor(blogSeed, Stream::Date, static_cast<quint64>(index)));
            minutes -= 1 + static_cast<qint64>(dateRng.next() % static_cast<quint64>(2 * averageStep));
        }
        article.date = formatMinutes(minutes);
        blog.articles.append(article);
    }
    fillEmptyCategories(blog.articles, categoryCount, blogSeed);

    for (int index = 0; index < count; ++index) {
        SampleArticle &article = blog.articles[index];
        article.category = blog.categories[article.categoryIndex];
        for (const EntryFault &fault : config.entryFaults) {
            if (fault.row == index + 1)
                applyEntryFault(fault, article);
        }
        if (bodies == SampleBodies::Include)
            article.bodyLines = generateBody(name, index, article);
    }
    return blog;
}

QStringList generateBody(const QString &name, int index, const SampleArticle &article)
{
    Rng rng(seedFor(fnv1a(name.toUtf8()), Stream::Body, static_cast<quint64>(index)));
    // 2 to 30 KB of GBK, most articles nearer the small end.
    const double u = rng.unit();
    const int target = 2 * 1024 + static_cast<int>(28 * 1024 * u * u);
    const bool technical = article.category == u"C++/Qt" || article.category == u"编程";

    QStringList lines{u"<h2 class=\"title\">" + article.title + u"</h2>",
                      u"<div class=\"date\">" + article.date + u"</div>",
                      QStringLiteral("<div id=\"blog_text\" class=\"cnt\">")};
    int size = 0;
    for (const QString &line : lines)
        size += gbkSize(line) + 1;
    while (size < target) {
        const qsizetype first = lines.size();
        appendBodyPiece(rng, technical && rng.chance(6), lines);
        for (qsizetype i = first; i < lines.size(); ++i)
            size += gbkSize(lines[i]) + 1;
    }
    lines.append(QStringLiteral("</div>"));
    return lines;
}
