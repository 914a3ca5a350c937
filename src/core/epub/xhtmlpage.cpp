#include "epub/xhtmlpage.h"

namespace Epub {

XhtmlPage::XhtmlPage(QByteArray &out, const QString &title, const QString &toRoot, bool navigation)
    : m_xml(&out)
{
    m_xml.writeStartDocument();
    m_xml.writeCharacters(QStringLiteral("\n"));
    m_xml.writeDTD(QStringLiteral("<!DOCTYPE html>"));
    m_xml.writeCharacters(QStringLiteral("\n"));
    m_xml.writeStartElement(QStringLiteral("html"));
    m_xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/1999/xhtml"));
    if (navigation)
        m_xml.writeNamespace(QStringLiteral("http://www.idpf.org/2007/ops"), QStringLiteral("epub"));
    m_xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("zh-CN"));
    m_xml.writeAttribute(QStringLiteral("lang"), QStringLiteral("zh-CN"));
    m_xml.writeStartElement(QStringLiteral("head"));
    m_xml.writeEmptyElement(QStringLiteral("meta"));
    m_xml.writeAttribute(QStringLiteral("charset"), QStringLiteral("utf-8"));
    m_xml.writeTextElement(QStringLiteral("title"), title);
    m_xml.writeEmptyElement(QStringLiteral("link"));
    m_xml.writeAttribute(QStringLiteral("rel"), QStringLiteral("stylesheet"));
    m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("text/css"));
    m_xml.writeAttribute(QStringLiteral("href"), toRoot + QStringLiteral("style.css"));
    m_xml.writeEndElement();
    m_xml.writeStartElement(QStringLiteral("body"));
}

void XhtmlPage::finish()
{
    m_xml.writeEndDocument();
}

QByteArray styleSheet()
{
    return QByteArrayLiteral("body { margin: 0 0.5em; line-height: 1.6; }\n"
                             "h1 { font-size: 1.4em; margin-bottom: 0.2em; }\n"
                             "p.meta { color: #666666; font-size: 0.9em; margin-top: 0; }\n"
                             "div.table { display: table; border-collapse: collapse; }\n"
                             "div.tbody { display: table-row-group; }\n"
                             "div.tr { display: table-row; }\n"
                             "div.td { display: table-cell; padding: 0.2em 0.4em; }\n"
                             "img { max-width: 100%; }\n"
                             "pre { white-space: pre-wrap; }\n"
                             "nav ol, ol.contents { list-style-type: none; padding-left: 1em; }\n");
}

} // namespace Epub
