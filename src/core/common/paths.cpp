#include "common/paths.h"

#include <QCoreApplication>
#include <QDir>

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

} // namespace Paths
