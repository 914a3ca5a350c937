#pragma once

#include <QString>

namespace Archive {

// Turns a category text into a folder or file name: each of ? / \ : & + # ; and the space
// becomes "_". Nothing else changes, so the length is kept.
QString Rep(const QString &text);

} // namespace Archive
