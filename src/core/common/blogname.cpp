#include "common/blogname.h"

Result<void> checkBlogName(const QString &name)
{
    if (name.isEmpty())
        return Result<void>::failure(QStringLiteral("博客名不能为空"));
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return Result<void>::failure(QStringLiteral("博客名不能是“%1”").arg(name));
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            return Result<void>::failure(QStringLiteral("博客名不能含有“/”、“\\”或空字符：%1").arg(name));
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return Result<void>::failure(
                QStringLiteral("博客名不能含有控制字符（U+%1）").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    // The longest file named after the blog is "<name>.ini.part" (or ".chm.part").
    constexpr qsizetype MaxNameBytes = 255 - 9;
    if (name.toUtf8().size() > MaxNameBytes)
        return Result<void>::failure(QStringLiteral("博客名太长：最多%1字节").arg(MaxNameBytes));
    return {};
}
