#pragma once

#include "samplehostconfig.h"

#include <QList>
#include <QString>
#include <QStringList>

// One article as the host lists and serves it.
struct SampleArticle
{
    QString title;
    QString category;
    int categoryIndex = 0; // position in SampleBlog::categories, the k of "/blog/category/k"
    QString link;          // 24 lowercase hex digits + ".html"
    QString date;          // "YYYY-MM-DD HH:MM"
    // The lines between the body start line and the body end line of the article page; what a
    // download saves is bodyStartLine() followed by these.
    QStringList bodyLines;

    bool operator==(const SampleArticle &) const = default;
};

// A blog of the sample host, everything derived from its name and the host's configuration.
struct SampleBlog
{
    QString name;
    int listSize = 10;
    QStringList categories;
    QList<SampleArticle> articles; // list order: newest first

    bool operator==(const SampleBlog &) const = default;

    // The highest list page number: 0 when one page (or none) holds every article.
    int lastPage() const;
    // The articles list page `page` holds; empty beyond the last page.
    QList<SampleArticle>::const_iterator pageBegin(int page) const;
    QList<SampleArticle>::const_iterator pageEnd(int page) const;
};

enum class SampleBodies {
    Include, // every article's body lines, as tests compare them
    Omit,    // bodies left empty, for the host, which makes each one when it is asked for
};

// The same name and configuration give the same blog, byte for byte.
SampleBlog generateBlog(const QString &name, const SampleHostConfig &config,
                        SampleBodies bodies = SampleBodies::Include);

// The body lines of the article at `index` (0-based, list order) of the blog of this name.
QStringList generateBody(const QString &name, int index, const SampleArticle &article);

// The category names a blog with `count` categories uses.
QStringList sampleCategories(int count);

// The line of an article page that holds the body start marker.
QString bodyStartLine();
