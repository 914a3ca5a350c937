#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace HelpFile {

// A page without what a help viewer would run: the Windows viewer opens a help file's pages with the
// rights of a local file, so a blog post's scripts and controls must not reach it. Removed are
// <script> elements with their content; the tags of <object>, <embed>, <applet>, <iframe>, <frame>,
// <form> and <param>, keeping the text between them; every "on…" event attribute; and every
// attribute whose value is a "javascript:" or "vbscript:" address (in any case, entities and blanks
// included). Everything else keeps its bytes. `removedAny` tells whether anything went.
QByteArray withoutActiveContent(QByteArrayView page, bool *removedAny = nullptr);

} // namespace HelpFile
