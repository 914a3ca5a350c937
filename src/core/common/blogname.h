#pragma once

#include "common/result.h"

#include <QString>

// A blog name becomes a folder and file name below the program folder, so it must be one path
// component. Returns the reason a name is refused; nothing about an accepted name is changed.
Result<void> checkBlogName(const QString &name);
