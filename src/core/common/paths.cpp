#include "common/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Paths {

QString join(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString join(const QString &folder, const QString &a, const QString &b)
{
    return join(join(folder, a), b);
}

QString executableFolder()
{
    return QCoreApplication::applicationDirPath();
}

bool isInstalled(const QString &executableFolder)
{
    const QDir bin(executableFolder);
    return bin.dirName() == QLatin1String("bin") && QFileInfo(bin.filePath(QStringLiteral("../share/pelmora"))).isDir();
}

QString programFolder(const QString &executableFolder, const QString &documentsFolder)
{
    if (!isInstalled(executableFolder))
        return executableFolder;
    return join(documentsFolder, QStringLiteral("Pelmora"));
}

QString programFolder()
{
    const QString exe = executableFolder();
    if (!isInstalled(exe))
        return exe;
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return programFolder(exe, documents);
}

} // namespace Paths
