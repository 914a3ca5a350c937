#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace Blog {

// The distinct categories of the article table in order of first appearance, each with its
// article count. The window's table has 501 slots; categories beyond the
// 501st are kept too, in further slots, so none is ever lost. An empty category text is filed as
// a category of its own.
class CategoryTable
{
public:
    static constexpr int DesignSlots = 501;

    struct Slot
    {
        QString name;
        int articleCount = 0;
    };

    void clear();
    // Counts one more article of the category and returns its slot.
    int add(const QString &category);
    // Slot of the category, or -1.
    int find(const QString &category) const;

    int size() const { return static_cast<int>(m_slots.size()); }
    const Slot &at(int slot) const { return m_slots.at(slot); }

private:
    QList<Slot> m_slots;
    QHash<QString, int> m_index;
};

} // namespace Blog
