#pragma once

// The archive the benchmarks measure: 5,000 GBK articles of 2 to 30 KB in 30 Chinese-named
// categories, the same for every run.

#include "common/gbkcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <random>
#include <vector>

namespace BenchArchive {

constexpr int Articles = 5000;
constexpr int Categories = 30;

struct Article
{
    int category;
    QString link;
    int size;
};

inline const QStringList categoryNames{
    QStringLiteral("随笔"), QStringLiteral("技术"),  QStringLiteral("生活"), QStringLiteral("读书"),
    QStringLiteral("旅行"), QStringLiteral("摄影"),  QStringLiteral("音乐"), QStringLiteral("电影"),
    QStringLiteral("美食"), QStringLiteral("历史"),  QStringLiteral("文学"), QStringLiteral("诗歌"),
    QStringLiteral("散文"), QStringLiteral("教育"),  QStringLiteral("健康"), QStringLiteral("运动"),
    QStringLiteral("科学"), QStringLiteral("编程"),  QStringLiteral("网络"), QStringLiteral("工作"),
    QStringLiteral("家庭"), QStringLiteral("朋友"),  QStringLiteral("心情"), QStringLiteral("日记"),
    QStringLiteral("转载"), QStringLiteral("评论"),  QStringLiteral("新闻"), QStringLiteral("艺术"),
    QStringLiteral("设计"), QStringLiteral("未分类")};

// Words of a blog's prose, GBK encoded once.
inline std::vector<QByteArray> vocabulary()
{
    const QString text =
        QStringLiteral("我们 今天 一个 没有 什么 这个 时候 因为 所以 但是 已经 可以 自己 知道 还是 就是 现在 觉得 "
                       "时间 问题 朋友 生活 工作 城市 早上 晚上 天气 阳光 下雨 春天 夏天 秋天 冬天 学习 读书 写作 "
                       "电脑 程序 网络 文章 博客 照片 音乐 电影 故事 历史 文化 社会 经济 发展 研究 方法 系统 数据 "
                       "北京 上海 广州 家里 路上 公司 学校 老师 学生 孩子 父母 一起 喜欢 希望 感觉 开始 结束 继续 "
                       "，。！？、；：“”（）《》 ");
    std::vector<QByteArray> words;
    for (const QString &w : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        words.push_back(Gbk::encode(w));
    for (const QString &p : QStringLiteral("， 。 ！ ？ 、").split(QLatin1Char(' ')))
        words.push_back(Gbk::encode(p));
    return words;
}

// Paragraphs of prose, about one in four with a link to another blog, until the page holds `size`
// bytes.
inline void appendParagraphs(QByteArray &page, qsizetype size, const std::vector<QByteArray> &words, std::mt19937 &rng)
{
    while (page.size() < size) {
        page += "<p>";
        for (int w = 20 + static_cast<int>(rng() % 60); w > 0; --w)
            page += words[rng() % words.size()];
        if (rng() % 4 == 0)
            page += "<a href=\"http://blog.example/" + QByteArray::number(static_cast<int>(rng() % 100000)) +
                    ".html\">link</a>";
        page += "</p>\r\n";
    }
}

// A whole article page with a head and links to the start page, all.htm and style.css.
inline QByteArray articlePage(const Article &a, int index, const std::vector<QByteArray> &words)
{
    std::mt19937 rng(static_cast<unsigned>(index) * 7919u + 17u);
    QByteArray page = "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
                      "<title>" +
                      Gbk::encode(QStringLiteral("第%1篇文章").arg(index)) +
                      "</title>\r\n<link rel=stylesheet href=\"../style.css\">\r\n</head>\r\n<body>\r\n"
                      "<div class=\"nav\"><a href=\"../index.html\">" +
                      Gbk::encode(QStringLiteral("首页")) + "</a> | <a href=\"../all.htm\">" +
                      Gbk::encode(QStringLiteral("全部文章")) + "</a></div>\r\n<div class=\"post\">\r\n";
    appendParagraphs(page, a.size - 40, words, rng);
    page += "</div>\r\n</body>\r\n</html>\r\n";
    return page;
}

inline std::vector<Article> makeArticles()
{
    std::mt19937 rng(2026);
    std::vector<Article> list;
    for (int i = 0; i < Articles; ++i)
        list.push_back({static_cast<int>(rng() % Categories), QStringLiteral("%1.html").arg(100000 + i),
                        2048 + static_cast<int>(rng() % (28 * 1024))});
    return list;
}

inline bool put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace BenchArchive
