#pragma once

#include <QString>

// On disk we use the native separator; the files we write keep their own backslashes.
namespace Paths {

// folder + separator + name.
QString join(const QString &folder, const QString &name);
QString join(const QString &folder, const QString &a, const QString &b);

// The folder that holds the running executable.
QString executableFolder();

} // namespace Paths
