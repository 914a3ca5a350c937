#pragma once

#include <QString>

namespace Epub {

// The text without the characters XML 1.0 cannot hold: control characters other than tab, line
// feed and carriage return, lone surrogates, U+FFFE and U+FFFF.
QString xmlSafe(const QString &text);

// True when xmlSafe() would change the text.
bool holdsNonXmlCharacters(const QString &text);

} // namespace Epub
