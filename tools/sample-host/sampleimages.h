#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The pictures of the sample blogs, served only when the host is asked for pictures: a share of
// the articles show one or two small PNG or JPEG pictures, from the blog host's own address and
// from a second port standing for a picture host, and every such article also shows the blog's
// logo, so that one address appears in many articles. The bytes follow from the blog name and the
// picture's place alone.
namespace SampleImages {

struct Picture
{
    int row = 0;    // the article's row; 0 for the blog's logo
    int number = 0; // the picture's place in the article
    bool jpeg = false;
    bool onImageHost = false; // served from the second port

    bool operator==(const Picture &) const = default;
};

// The pictures the article in `row` shows; `forced` gives it one even when it would have none
// (an article whose pictures have faults). Empty for the others.
QList<Picture> pictures(const QString &blogName, int row, bool forced);

// "/img/<blog name percent-encoded>/<row>-<number>.png" (or ".jpg").
QString path(const QString &blogName, const Picture &picture);

// The body lines that show the pictures, one <img> each. `hostile` adds references the program
// must leave alone: a relative path leaving the folder, a data: URL and a file: URL, plus a
// picture that redirects to a file: URL and one whose path holds "..".
QStringList bodyLines(const QString &blogName, int row, bool forced, bool hostile, const QString &blogBase,
                      const QString &imageBase);

// A picture path as the host routes it: the blog name, row, number and kind, or nothing.
bool parsePath(const QString &path, QString *blogName, Picture *picture);

// The picture's bytes: a small PNG or JPEG drawn from a seed.
QByteArray bytes(const QString &blogName, const Picture &picture);

} // namespace SampleImages
