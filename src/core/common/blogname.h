#pragma once

#include "common/result.h"

#include <QString>

// A blog name becomes a folder and file name below the program folder, so it must be one path
// component without control characters, short enough for "<name>.ini.part". Returns the reason a
// name is refused; nothing about an accepted name is changed.
Result<void> checkBlogName(const QString &name);
