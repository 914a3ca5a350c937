#pragma once

#include <QString>

namespace Archive {

// The longest name the file system takes, in bytes of its encoding (UTF-8 here).
constexpr qsizetype NameMaxBytes = 255;

// Turns a category text into the stem of its folder and page names: each of
// ? / \ : & + # ; and the space becomes "_", and so does every control character and every
// character GBK cannot hold, since the pages name the folder in GBK and a browser must find it on
// disk under the same name. A result too long for the file system once its page number, ".htm"
// and the ".part" of a temporary file are added is cut to a prefix plus a hash of the whole text.
QString safeFileName(const QString &text);

// The name an article file is written under: the link, with every character GBK cannot hold
// turned into "_" and a link too long for the file system cut to a prefix plus a hash of the whole
// link, keeping a short extension. Links the folder cannot hold at all are refused earlier, by
// Layout::checkArticle.
QString linkFileName(const QString &link);

} // namespace Archive
