#include "epub/articleconverter.h"

#include "common/gbkcodec.h"
#include "epub/linkresolver.h"
#include "epub/pictureshelf.h"
#include "epub/xhtmlpage.h"
#include "epub/xmltext.h"

#include <QSet>
#include <QXmlStreamWriter>
#include <libxml/HTMLparser.h>

namespace Epub {

namespace {

// Where an element stands: flow content (blocks allowed) or phrasing content (inline only).
enum class Context { Flow, Phrasing };

QString nameOf(const xmlNode *node)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(node->name)).toLower();
}

QString attribute(const xmlNode *node, const char *name)
{
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    if (!value)
        return {};
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(value));
    xmlFree(value);
    return text;
}

bool isWhitespace(const xmlNode *node)
{
    return xmlIsBlankNode(node) != 0;
}

const QSet<QString> &droppedElements()
{
    static const QSet<QString> names{QStringLiteral("script"),   QStringLiteral("style"),    QStringLiteral("form"),
                                     QStringLiteral("input"),    QStringLiteral("select"),   QStringLiteral("option"),
                                     QStringLiteral("textarea"), QStringLiteral("button"),   QStringLiteral("iframe"),
                                     QStringLiteral("frame"),    QStringLiteral("frameset"), QStringLiteral("object"),
                                     QStringLiteral("embed"),    QStringLiteral("applet"),   QStringLiteral("link"),
                                     QStringLiteral("meta"),     QStringLiteral("base"),     QStringLiteral("param"),
                                     QStringLiteral("wbr"),      QStringLiteral("area"),     QStringLiteral("map")};
    return names;
}

// Inline elements written as they are, in either context.
const QSet<QString> &phrasingElements()
{
    static const QSet<QString> names{QStringLiteral("b"),      QStringLiteral("i"),    QStringLiteral("em"),
                                     QStringLiteral("strong"), QStringLiteral("u"),    QStringLiteral("s"),
                                     QStringLiteral("sub"),    QStringLiteral("sup"),  QStringLiteral("code"),
                                     QStringLiteral("small"),  QStringLiteral("kbd"),  QStringLiteral("var"),
                                     QStringLiteral("cite"),   QStringLiteral("abbr"), QStringLiteral("span")};
    return names;
}

// Blocks that hold inline content only.
const QSet<QString> &textBlocks()
{
    static const QSet<QString> names{QStringLiteral("p"),  QStringLiteral("h1"), QStringLiteral("h2"),
                                     QStringLiteral("h3"), QStringLiteral("h4"), QStringLiteral("h5"),
                                     QStringLiteral("h6"), QStringLiteral("pre")};
    return names;
}

// Table parts become blocks laid out as a table by the style sheet, which keeps any nesting valid.
QString tablePartClass(const QString &name)
{
    if (name == QLatin1String("table"))
        return QStringLiteral("table");
    if (name == QLatin1String("tr"))
        return QStringLiteral("tr");
    if (name == QLatin1String("td") || name == QLatin1String("th"))
        return QStringLiteral("td");
    if (name == QLatin1String("thead") || name == QLatin1String("tbody") || name == QLatin1String("tfoot"))
        return QStringLiteral("tbody");
    return {};
}

class Converter
{
public:
    Converter(QXmlStreamWriter &xml, const PlannedArticle &article, const LinkResolver &links, PictureShelf &pictures,
              QStringList &problems)
        : m_xml(xml)
        , m_article(article)
        , m_links(links)
        , m_pictures(pictures)
        , m_problems(problems)
    {}

    void children(const xmlNode *parent, Context context, bool inLink)
    {
        for (const xmlNode *node = parent->children; node; node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
                text(QString::fromUtf8(reinterpret_cast<const char *>(node->content)));
            else if (node->type == XML_ELEMENT_NODE)
                element(node, context, inLink);
        }
    }

    int droppedCharacters() const { return m_droppedCharacters; }

private:
    void text(const QString &content)
    {
        const QString safe = xmlSafe(content);
        m_droppedCharacters += static_cast<int>(content.size() - safe.size());
        m_xml.writeCharacters(safe);
    }

    void element(const xmlNode *node, Context context, bool inLink)
    {
        const QString name = nameOf(node);
        if (droppedElements().contains(name))
            return;
        if (name == QLatin1String("html") || name == QLatin1String("head") || name == QLatin1String("body"))
            return children(node, context, inLink);
        if (name == QLatin1String("br"))
            return m_xml.writeEmptyElement(QStringLiteral("br"));
        if (name == QLatin1String("hr")) {
            if (context == Context::Flow)
                m_xml.writeEmptyElement(QStringLiteral("hr"));
            return;
        }
        if (name == QLatin1String("img"))
            return picture(node);
        if (name == QLatin1String("a"))
            return anchor(node, inLink);
        if (phrasingElements().contains(name))
            return wrap(node, name, Context::Phrasing, inLink);
        if (context == Context::Phrasing)
            return wrap(node, QStringLiteral("span"), Context::Phrasing, inLink);
        if (textBlocks().contains(name))
            return wrap(node, name, Context::Phrasing, inLink);
        if ((name == QLatin1String("ul") || name == QLatin1String("ol")) && holdsOnlyListItems(node))
            return list(node, name, inLink);
        if (name == QLatin1String("blockquote"))
            return wrap(node, name, Context::Flow, inLink);
        const QString part = tablePartClass(name);
        m_xml.writeStartElement(QStringLiteral("div"));
        if (!part.isEmpty())
            m_xml.writeAttribute(QStringLiteral("class"), part);
        children(node, Context::Flow, inLink);
        m_xml.writeEndElement();
    }

    void wrap(const xmlNode *node, const QString &name, Context inner, bool inLink)
    {
        m_xml.writeStartElement(name);
        children(node, inner, inLink);
        m_xml.writeEndElement();
    }

    static bool holdsOnlyListItems(const xmlNode *node)
    {
        for (const xmlNode *child = node->children; child; child = child->next) {
            const bool item = child->type == XML_ELEMENT_NODE && nameOf(child) == QLatin1String("li");
            if (!item && !isWhitespace(child) && child->type != XML_COMMENT_NODE)
                return false;
        }
        return true;
    }

    void list(const xmlNode *node, const QString &name, bool inLink)
    {
        m_xml.writeStartElement(name);
        for (const xmlNode *item = node->children; item; item = item->next) {
            if (item->type == XML_ELEMENT_NODE)
                wrap(item, QStringLiteral("li"), Context::Flow, inLink);
        }
        m_xml.writeEndElement();
    }

    void anchor(const xmlNode *node, bool inLink)
    {
        const QString target = inLink ? QString() : m_links.link(attribute(node, "href"), m_article.archivePath);
        if (target.isEmpty())
            return wrap(node, QStringLiteral("span"), Context::Phrasing, inLink);
        m_xml.writeStartElement(QStringLiteral("a"));
        const bool inBook = !target.contains(QLatin1Char(':'));
        m_xml.writeAttribute(QStringLiteral("href"), inBook ? QStringLiteral("../") + target : target);
        children(node, Context::Phrasing, true);
        m_xml.writeEndElement();
    }

    void picture(const xmlNode *node)
    {
        const QString alt = xmlSafe(attribute(node, "alt"));
        const QString src = attribute(node, "src");
        const QString local = m_links.localFile(src, m_article.archivePath);
        if (!local.isEmpty()) {
            const Result<QString> taken = m_pictures.take(local);
            if (taken) {
                m_xml.writeEmptyElement(QStringLiteral("img"));
                m_xml.writeAttribute(QStringLiteral("src"), QStringLiteral("../") + *taken);
                m_xml.writeAttribute(QStringLiteral("alt"), alt);
                return;
            }
            m_problems
                << QStringLiteral("%1: %2; its alt text stands in its place").arg(m_article.title, taken.error());
        }
        // A remote picture would make the book fetch from the network: its alt text stands instead.
        m_xml.writeCharacters(alt);
    }

    QXmlStreamWriter &m_xml;
    const PlannedArticle &m_article;
    const LinkResolver &m_links;
    PictureShelf &m_pictures;
    QStringList &m_problems;
    int m_droppedCharacters = 0;
};

} // namespace

ConvertedArticle convertArticle(const QByteArray &gbkBytes, const PlannedArticle &article, const LinkResolver &links,
                                PictureShelf &pictures)
{
    ConvertedArticle converted;
    const QByteArray utf8 = Gbk::decode(gbkBytes).toUtf8();
    htmlDocPtr doc = htmlReadMemory(utf8.constData(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                                    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    XhtmlPage page(converted.document, article.title, QStringLiteral("../"));
    QXmlStreamWriter &xml = page.writer();
    xml.writeTextElement(QStringLiteral("h1"), article.title);
    xml.writeStartElement(QStringLiteral("p"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("meta"));
    xml.writeCharacters(article.date + QStringLiteral(" · ") + article.category);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("div"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("article"));
    const xmlNode *root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (root) {
        Converter converter(xml, article, links, pictures, converted.problems);
        converter.children(reinterpret_cast<const xmlNode *>(doc), Context::Flow, false);
        if (converter.droppedCharacters() > 0)
            converted.problems << QStringLiteral("%1: %2 characters XML cannot hold are left out")
                                      .arg(article.title)
                                      .arg(converter.droppedCharacters());
    } else if (!utf8.trimmed().isEmpty()) {
        converted.problems
            << QStringLiteral("%1: the article cannot be read as HTML; it is kept as plain text").arg(article.title);
        xml.writeTextElement(QStringLiteral("pre"), xmlSafe(QString::fromUtf8(utf8)));
    }
    xml.writeEndElement();
    if (doc)
        xmlFreeDoc(doc);
    page.finish();
    return converted;
}

} // namespace Epub
