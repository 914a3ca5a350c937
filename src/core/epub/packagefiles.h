#pragma once

#include "epub/bookplan.h"
#include "epub/pictureshelf.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace Epub {

// The book's own files around the articles. The navigation (nav document and NCX) lists the title
// page, then each category with its articles; in the NCX a category leads to its first article.

QByteArray containerXml();
QByteArray titlePage(const BookPlan &plan);
QByteArray contentsPage(const BookPlan &plan);
QByteArray navigationDocument(const BookPlan &plan);
QByteArray ncx(const BookPlan &plan, const QString &identifier);
// The package document: metadata, every file of the book, and the reading order (title page,
// contents page, the articles category by category).
QByteArray packageDocument(const BookPlan &plan, const QList<PictureShelf::Picture> &pictures,
                           const QString &identifier, const QDateTime &modified);

// "urn:uuid:…", the same for the same host and blog name on every run.
QString bookIdentifier(const QString &hostBase, const QString &blogName);

} // namespace Epub
