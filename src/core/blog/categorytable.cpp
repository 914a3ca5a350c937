#include "blog/categorytable.h"

namespace Blog {

void CategoryTable::clear()
{
    m_slots.clear();
    m_index.clear();
}

int CategoryTable::add(const QString &category)
{
    auto it = m_index.constFind(category);
    int slot;
    if (it == m_index.constEnd()) {
        slot = static_cast<int>(m_slots.size());
        m_slots.append(Slot{category, 0});
        m_index.insert(category, slot);
    } else {
        slot = *it;
    }
    ++m_slots[slot].articleCount;
    return slot;
}

int CategoryTable::find(const QString &category) const
{
    return m_index.value(category, -1);
}

} // namespace Blog
