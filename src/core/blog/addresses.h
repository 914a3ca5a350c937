#pragma once

#include <QString>

// Addresses on the blog host, all plain concatenation: nothing is escaped on our side.
namespace Blog::Address {

// base + name + "/blog"
inline QString blog(const QString &hostBase, const QString &name)
{
    return hostBase + name + QStringLiteral("/blog");
}
// base + name + "/blog/index/" + page; the first list page is page 0.
inline QString listPage(const QString &hostBase, const QString &name, int page)
{
    return hostBase + name + QStringLiteral("/blog/index/") + QString::number(page);
}
// blog address + "/item/" + link
inline QString article(const QString &blogAddress, const QString &link)
{
    return blogAddress + QStringLiteral("/item/") + link;
}
// base + name + "/blog/item/" + link, as the withdrawn-article notice links it.
inline QString articleSource(const QString &hostBase, const QString &name, const QString &link)
{
    return hostBase + name + QStringLiteral("/blog/item/") + link;
}

} // namespace Blog::Address
