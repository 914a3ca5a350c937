#pragma once

#include <QString>

// On disk we use the native separator; the files we write keep their own backslashes.
namespace Paths {

// folder + separator + name.
QString join(const QString &folder, const QString &name);
QString join(const QString &folder, const QString &a, const QString &b);

// The folder that holds the running executable.
QString executableFolder();

// True when the executable folder is the bin/ of an installed tree, which has share/pelmora beside it.
// A build folder's bin/ has no such neighbour.
bool isInstalled(const QString &executableFolder);

// The default program folder, where task files, archives and help files go. Run from a build folder
// it is the executable's folder. Installed, the executable's folder is not the user's to write in,
// so it is "Pelmora" in the documents folder. Neither is created here.
QString programFolder(const QString &executableFolder, const QString &documentsFolder);
// The same for the running executable and the user's documents folder (XDG_DOCUMENTS_DIR).
QString programFolder();

} // namespace Paths
