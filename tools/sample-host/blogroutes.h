#pragma once

#include "faultpolicy.h"
#include "httpresponse.h"
#include "sampleblog.h"
#include "samplehostconfig.h"

#include <QHash>
#include <QString>
#include <memory>

class QRegularExpressionMatch;

// The blog host's pages for every blog name: the blog address page, the list pages, the article
// pages and, when the configuration asks for them, the pictures, each with the faults the policy
// plays on it. Blogs are generated on first request and a few are kept.
class BlogRoutes
{
public:
    BlogRoutes(const SampleHostConfig &config, FaultPolicy &faults);

    // Where the host and its picture host are reached ("http://127.0.0.1:P/"; the second empty
    // without pictures), for the picture addresses in articles and the redirects to them.
    void setAddresses(QString blogBase, QString imageBase);

    HttpResponse respond(const QByteArray &method, const QString &path);

private:
    struct BlogEntry
    {
        SampleBlog blog;
        QHash<QString, int> links; // link -> index in list order
    };

    HttpResponse respondPage(const BlogEntry &entry, const QRegularExpressionMatch &match);
    HttpResponse respondArticle(const BlogEntry &entry, const QString &link);
    // The article's lines as a good answer has them, pictures included.
    QStringList articleLines(const BlogEntry &entry, int index) const;
    HttpResponse respondImage(const QString &path, bool withFaults) const;
    std::shared_ptr<const BlogEntry> blog(const QString &name);

    const SampleHostConfig &m_config;
    FaultPolicy &m_faults;
    QString m_blogBase;
    QString m_imageBase;
    QHash<QString, std::shared_ptr<const BlogEntry>> m_blogs;
};
