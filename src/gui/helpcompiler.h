#pragma once

#include "common/result.h"

#include <QString>
#include <QStringList>

// Compiles the help project at `projectPath` into the compiled file its options name, with the
// reason when that fails. A compiled file can lack articles that are missing on disk: their entries
// come back, as the project writes them, and the file is written all the same.
Result<QStringList> compileHelpProject(const QString &projectPath);
