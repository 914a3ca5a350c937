#include "gui/helpcompiler.h"

Result<void> compileHelpProject(const QString &projectPath)
{
    Q_UNUSED(projectPath);
    return Result<void>::failure(QStringLiteral("找不到CHM编译器"));
}
