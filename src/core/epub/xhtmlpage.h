#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

namespace Epub {

// One XHTML content document being written into a byte array: the constructor writes the head
// (title, the book's style sheet) and opens the body, finish() closes it. Texts given to it must
// already be fit for XML (see xmlSafe).
class XhtmlPage
{
public:
    // `toRoot` leads from the document's folder to the book's root ("" or "../").
    XhtmlPage(QByteArray &out, const QString &title, const QString &toRoot, bool navigation = false);
    XhtmlPage(const XhtmlPage &) = delete;
    XhtmlPage &operator=(const XhtmlPage &) = delete;

    QXmlStreamWriter &writer() { return m_xml; }
    void finish();

private:
    QXmlStreamWriter m_xml;
};

// The book's one style sheet.
QByteArray styleSheet();

} // namespace Epub
