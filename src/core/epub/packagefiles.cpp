#include "epub/packagefiles.h"

#include "epub/xhtmlpage.h"
#include "epub/xmltext.h"

#include <QHash>
#include <QUuid>
#include <QXmlStreamWriter>

namespace Epub {

namespace {

QString categoryAnchor(int index)
{
    return QStringLiteral("c%1").arg(index + 1);
}

QString manifestId(const PlannedArticle &article)
{
    return article.document.section(QLatin1Char('/'), -1).section(QLatin1Char('.'), 0, 0);
}

void writeLink(QXmlStreamWriter &xml, const QString &href, const QString &text)
{
    xml.writeStartElement(QStringLiteral("a"));
    xml.writeAttribute(QStringLiteral("href"), href);
    xml.writeCharacters(text);
    xml.writeEndElement();
}

// The categories of the nav document, each with its articles.
void writeCategories(QXmlStreamWriter &xml, const BookPlan &plan)
{
    for (int c = 0; c < plan.categories.size(); ++c) {
        const PlannedCategory &category = plan.categories[c];
        xml.writeStartElement(QStringLiteral("li"));
        // A heading, not a link: readers expect the entries in reading order, and the category's
        // place on the contents page lies before every article.
        xml.writeTextElement(QStringLiteral("span"), category.name);
        xml.writeStartElement(QStringLiteral("ol"));
        for (int index : category.articles) {
            xml.writeStartElement(QStringLiteral("li"));
            writeLink(xml, plan.articles[index].document, plan.articles[index].title);
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }
}

} // namespace

QByteArray containerXml()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                             "  <rootfiles>\n"
                             "    <rootfile full-path=\"content.opf\" media-type=\"application/oebps-package+xml\"/>\n"
                             "  </rootfiles>\n"
                             "</container>\n");
}

QByteArray titlePage(const BookPlan &plan)
{
    QByteArray out;
    XhtmlPage page(out, plan.blogName, QString());
    QXmlStreamWriter &xml = page.writer();
    xml.writeStartElement(QStringLiteral("div"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("titlepage"));
    xml.writeTextElement(QStringLiteral("h1"), plan.blogName);
    xml.writeTextElement(QStringLiteral("p"), QStringLiteral("存档日期：") + plan.madeOn);
    xml.writeTextElement(QStringLiteral("p"), QStringLiteral("共%1篇文章").arg(plan.articles.size()));
    xml.writeEndElement();
    page.finish();
    return out;
}

QByteArray contentsPage(const BookPlan &plan)
{
    QByteArray out;
    XhtmlPage page(out, QStringLiteral("目录"), QString());
    QXmlStreamWriter &xml = page.writer();
    xml.writeTextElement(QStringLiteral("h1"), QStringLiteral("目录"));
    for (int c = 0; c < plan.categories.size(); ++c) {
        const PlannedCategory &category = plan.categories[c];
        xml.writeStartElement(QStringLiteral("h2"));
        xml.writeAttribute(QStringLiteral("id"), categoryAnchor(c));
        xml.writeCharacters(QStringLiteral("%1（%2）").arg(category.name).arg(category.articles.size()));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("ol"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("contents"));
        for (int index : category.articles) {
            const PlannedArticle &article = plan.articles[index];
            xml.writeStartElement(QStringLiteral("li"));
            writeLink(xml, article.document, article.title);
            xml.writeCharacters(QStringLiteral(" ") + article.date);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    page.finish();
    return out;
}

QByteArray navigationDocument(const BookPlan &plan)
{
    QByteArray out;
    XhtmlPage page(out, plan.blogName, QString(), true);
    QXmlStreamWriter &xml = page.writer();
    xml.writeStartElement(QStringLiteral("nav"));
    xml.writeAttribute(QStringLiteral("http://www.idpf.org/2007/ops"), QStringLiteral("type"), QStringLiteral("toc"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("toc"));
    xml.writeTextElement(QStringLiteral("h1"), QStringLiteral("目录"));
    xml.writeStartElement(QStringLiteral("ol"));
    xml.writeStartElement(QStringLiteral("li"));
    writeLink(xml, QStringLiteral("title.xhtml"), plan.blogName);
    xml.writeEndElement();
    writeCategories(xml, plan);
    xml.writeEndElement();
    xml.writeEndElement();
    page.finish();
    return out;
}

QByteArray ncx(const BookPlan &plan, const QString &identifier)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("ncx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.daisy.org/z3986/2005/ncx/"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2005-1"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("zh-CN"));
    xml.writeStartElement(QStringLiteral("head"));
    const std::pair<QString, QString> metas[] = {{QStringLiteral("dtb:uid"), identifier},
                                                 {QStringLiteral("dtb:depth"), QStringLiteral("2")},
                                                 {QStringLiteral("dtb:totalPageCount"), QStringLiteral("0")},
                                                 {QStringLiteral("dtb:maxPageNumber"), QStringLiteral("0")}};
    for (const auto &[name, content] : metas) {
        xml.writeEmptyElement(QStringLiteral("meta"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("content"), content);
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("docTitle"));
    xml.writeTextElement(QStringLiteral("text"), plan.blogName);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("navMap"));
    // A category's entry leads to its first article; entries of the same place share their order.
    int points = 0;
    QHash<QString, int> orderOf;
    const auto startPoint = [&](const QString &label, const QString &src) {
        const int order = orderOf.value(src, static_cast<int>(orderOf.size()) + 1);
        orderOf.insert(src, order);
        xml.writeStartElement(QStringLiteral("navPoint"));
        xml.writeAttribute(QStringLiteral("id"), QStringLiteral("n%1").arg(++points));
        xml.writeAttribute(QStringLiteral("playOrder"), QString::number(order));
        xml.writeStartElement(QStringLiteral("navLabel"));
        xml.writeTextElement(QStringLiteral("text"), label);
        xml.writeEndElement();
        xml.writeEmptyElement(QStringLiteral("content"));
        xml.writeAttribute(QStringLiteral("src"), src);
    };
    startPoint(plan.blogName, QStringLiteral("title.xhtml"));
    xml.writeEndElement();
    for (int c = 0; c < plan.categories.size(); ++c) {
        startPoint(plan.categories[c].name, plan.articles[plan.categories[c].articles.first()].document);
        for (int index : plan.categories[c].articles) {
            startPoint(plan.articles[index].title, plan.articles[index].document);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return out;
}

QByteArray packageDocument(const BookPlan &plan, const QList<PictureShelf::Picture> &pictures,
                           const QString &identifier, const QDateTime &modified)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("package"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.idpf.org/2007/opf"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("3.0"));
    xml.writeAttribute(QStringLiteral("unique-identifier"), QStringLiteral("book-id"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("zh-CN"));
    const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/");
    xml.writeStartElement(QStringLiteral("metadata"));
    xml.writeNamespace(dc, QStringLiteral("dc"));
    xml.writeStartElement(dc, QStringLiteral("identifier"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("book-id"));
    xml.writeCharacters(identifier);
    xml.writeEndElement();
    xml.writeTextElement(dc, QStringLiteral("title"), plan.blogName);
    xml.writeTextElement(dc, QStringLiteral("language"), QStringLiteral("zh-CN"));
    xml.writeTextElement(dc, QStringLiteral("creator"), plan.blogName);
    xml.writeStartElement(QStringLiteral("meta"));
    xml.writeAttribute(QStringLiteral("property"), QStringLiteral("dcterms:modified"));
    xml.writeCharacters(modified.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("manifest"));
    const auto item = [&xml](const QString &id, const QString &href, const QString &type,
                             const QString &properties = {}) {
        xml.writeEmptyElement(QStringLiteral("item"));
        xml.writeAttribute(QStringLiteral("id"), id);
        xml.writeAttribute(QStringLiteral("href"), href);
        xml.writeAttribute(QStringLiteral("media-type"), type);
        if (!properties.isEmpty())
            xml.writeAttribute(QStringLiteral("properties"), properties);
    };
    const QString xhtml = QStringLiteral("application/xhtml+xml");
    item(QStringLiteral("nav"), QStringLiteral("nav.xhtml"), xhtml, QStringLiteral("nav"));
    item(QStringLiteral("ncx"), QStringLiteral("toc.ncx"), QStringLiteral("application/x-dtbncx+xml"));
    item(QStringLiteral("css"), QStringLiteral("style.css"), QStringLiteral("text/css"));
    item(QStringLiteral("title"), QStringLiteral("title.xhtml"), xhtml);
    item(QStringLiteral("contents"), QStringLiteral("contents.xhtml"), xhtml);
    for (const PlannedArticle &article : plan.articles)
        item(manifestId(article), article.document, xhtml);
    for (const PictureShelf::Picture &picture : pictures)
        item(picture.id, picture.bookPath, picture.mediaType);
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("spine"));
    xml.writeAttribute(QStringLiteral("toc"), QStringLiteral("ncx"));
    const auto itemref = [&xml](const QString &id) {
        xml.writeEmptyElement(QStringLiteral("itemref"));
        xml.writeAttribute(QStringLiteral("idref"), id);
    };
    itemref(QStringLiteral("title"));
    itemref(QStringLiteral("contents"));
    for (const PlannedCategory &category : plan.categories) {
        for (int index : category.articles)
            itemref(manifestId(plan.articles[index]));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

QString bookIdentifier(const QString &hostBase, const QString &blogName)
{
    // A fixed namespace of our own, so that the same blog on the same host is always the same book.
    static const QUuid space(QStringLiteral("{6b1f3c52-8e0a-4d57-9a1e-3c0f5e2b7d41}"));
    return QStringLiteral("urn:uuid:") + QUuid::createUuidV5(space, hostBase + blogName).toString(QUuid::WithoutBraces);
}

} // namespace Epub
