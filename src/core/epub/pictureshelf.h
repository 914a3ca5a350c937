#pragma once

#include "common/result.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace Epub {

// The local pictures the book's articles show, each taken once however many articles show it.
// Only pictures in a format every EPUB reader shows (PNG, JPEG, GIF, told by their first bytes)
// go in; they are stored under images/ with plain ASCII names.
class PictureShelf
{
public:
    struct Picture
    {
        QString sourceFile; // on disk
        QString bookPath;   // "images/…" in the book
        QString mediaType;
        QString id; // manifest id
    };

    explicit PictureShelf(QString archiveFolder);

    // The book path of the picture at this path relative to the archive folder, or why it
    // cannot go into the book (the same answer for every later call).
    Result<QString> take(const QString &archivePath);

    const QList<Picture> &pictures() const { return m_pictures; }

private:
    QString m_archiveFolder;
    QList<Picture> m_pictures;
    QHash<QString, Result<QString>> m_taken;
    QSet<QString> m_bookNames; // names under images/, lower case
};

} // namespace Epub
