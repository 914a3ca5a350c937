#pragma once

#include "common/result.h"

#include <QString>

// Compiles the help project at `projectPath` into the compiled file its options name, with the
// reason when that fails.
Result<void> compileHelpProject(const QString &projectPath);
