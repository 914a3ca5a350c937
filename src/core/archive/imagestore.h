#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace Archive {

// The pictures of one archive: <archive>/images/<hash>.<ext>. A file is named after a hash of the
// address it came from and the extension of its Content-Type, never after anything the host sent,
// so no address can name a file outside the folder. A picture on disk is never fetched again.
// Within one run two addresses never share a file: the first to find or save a hash owns its name,
// a later address with the same hash is saved as <hash>-2.<ext>, -3, … (such files are fetched
// again by the next run, which cannot tell whose they are).
class ImageStore
{
public:
    static constexpr const char *FolderName = "images";
    // The hash part of a picture's file name: as long as hashOf's, of 0-9 and a-z only.
    using Hash = QString (*)(QByteArrayView address);

    explicit ImageStore(QString folder, Hash hash = &ImageStore::hashOf);

    // Reads the folder once; files of other shapes (temporary ones of an interrupted write) are
    // left out.
    void load();

    // The file name already saved for this address, or an empty string. The address then owns
    // the name for the rest of the run.
    QString find(QByteArrayView address);
    // Writes the picture atomically and returns its file name.
    Result<QString> save(QByteArrayView address, const QString &extension, const QByteArray &bytes);

    // The hash part of a picture's file name: 96 bits of SHA-1 in hex.
    static QString hashOf(QByteArrayView address);
    // "png", "jpg", … for an image/* Content-Type (parameters ignored); "img" for other image types.
    static QString extensionFor(QByteArrayView contentType);
    // The link an article file one folder below the archive folder uses for a saved picture.
    static QByteArray linkTo(const QString &fileName);

private:
    QString freeNameAfter(const QString &hash, const QString &extension) const;

    QString m_folder;
    Hash m_hash;
    QHash<QString, QString> m_byHash;        // hash -> file name
    QHash<QString, QByteArray> m_owner;      // hash -> the address of this run its name belongs to
    QHash<QByteArray, QString> m_namedAfter; // address -> a numbered name, when its hash was taken
};

} // namespace Archive
