#include "archive/pagenames.h"

#include "archive/layout.h"

namespace Archive {

namespace {

const QString PageSuffix = QStringLiteral(".htm");

// `wanted` + ".htm" when no name in `taken` has it, otherwise the first `wanted` + "~n.htm" that is
// neither taken nor avoided; the name returned is taken from then on.
QString claim(const QString &wanted, QSet<QString> &taken, const QSet<QString> &avoided)
{
    QString name = wanted + PageSuffix;
    if (taken.contains(foldedName(name))) {
        int n = 1;
        do
            name = wanted + QLatin1Char('~') + QString::number(n++) + PageSuffix;
        while (taken.contains(foldedName(name)) || avoided.contains(foldedName(name)));
    }
    taken.insert(foldedName(name));
    return name;
}

} // namespace

PageNames::PageNames(const QList<CategoryPages> &categories, const QStringList &folders)
{
    // Folders and reserved names are never renamed: articles already lie in the folders, and the
    // help project and the readers expect the reserved names.
    QSet<QString> taken;
    for (const QString &name : reservedNames())
        taken.insert(foldedName(name));
    for (const QString &folder : folders)
        taken.insert(foldedName(folder));
    // A new name must not take the name any page would have had.
    QSet<QString> natural;
    for (const CategoryPages &category : categories) {
        natural.insert(foldedName(category.stem + PageSuffix));
        for (const int number : category.numbers)
            natural.insert(foldedName(category.stem + QString::number(number) + PageSuffix));
    }

    m_names.reserve(categories.size());
    for (const CategoryPages &category : categories) {
        Names names;
        names.stem = category.stem;
        names.categoryPage = claim(category.stem, taken, natural);
        for (const int number : category.numbers)
            names.pages.insert(number, claim(category.stem + QString::number(number), taken, natural));
        m_names.append(names);
    }
}

QString PageNames::page(int category, int number) const
{
    const Names &names = m_names[category];
    return names.pages.value(number, names.stem + QString::number(number) + PageSuffix);
}

} // namespace Archive
