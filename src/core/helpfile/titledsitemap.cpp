#include "helpfile/titledsitemap.h"

#include <QMap>

namespace HelpFile {

namespace {

QString escaped(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('"'), QLatin1String("&quot;"));
}

QString param(const QString &name, const QString &value)
{
    return QStringLiteral("<param name=\"") + name + QStringLiteral("\" value=\"") + escaped(value) +
           QStringLiteral("\">");
}

QString object(const QString &params)
{
    return QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">") + params + QStringLiteral("</OBJECT>\r\n");
}

QString entry(const QString &name, const QString &local)
{
    QString params = param(QStringLiteral("Name"), name);
    if (!local.isEmpty())
        params += param(QStringLiteral("Local"), local);
    return object(params);
}

const QString header = QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n<BODY>\r\n"
                                      "<OBJECT type=\"text/site properties\"></OBJECT>\r\n<UL>\r\n");
const QString footer = QStringLiteral("</UL>\r\n</BODY>\r\n</HTML>\r\n");

} // namespace

QByteArray titledContents(const TitledSitemap &sitemap, const TextEncoder &encode)
{
    QString text = header;
    for (const SitemapTopic &t : sitemap.first)
        text += entry(t.name, t.local);
    for (const SitemapBook &book : sitemap.books) {
        text += entry(book.name, book.local) + QStringLiteral("<UL>\r\n");
        for (const SitemapTopic &t : book.topics)
            text += entry(t.name, t.local);
        text += QStringLiteral("</UL>\r\n");
    }
    return encode(QString(text + footer));
}

QByteArray titledIndex(const TitledSitemap &sitemap, const TextEncoder &encode)
{
    QMap<QString, std::vector<const SitemapTopic *>> keywords;
    const auto add = [&](const SitemapTopic &t) {
        if (!t.keyword.isEmpty())
            keywords[t.keyword].push_back(&t);
    };
    for (const SitemapTopic &t : sitemap.first)
        add(t);
    for (const SitemapBook &book : sitemap.books) {
        for (const SitemapTopic &t : book.topics)
            add(t);
    }
    QString text = header;
    for (auto it = keywords.cbegin(); it != keywords.cend(); ++it) {
        QString params = param(QStringLiteral("Name"), it.key());
        for (const SitemapTopic *t : it.value()) {
            if (it.value().size() > 1)
                params += param(QStringLiteral("Name"), t->name);
            params += param(QStringLiteral("Local"), t->local);
        }
        text += object(params);
    }
    return encode(QString(text + footer));
}

} // namespace HelpFile
