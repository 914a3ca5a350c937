#include "gui/growinglayout.h"

#include <QtGlobal>

namespace {

constexpr int Left = 240;
constexpr int ListTop = 840;
constexpr int ListHeight = 1500;
constexpr int IndicatorTop = 2340;
constexpr int GridTop = 2520;
constexpr int GridDesignHeight = 3735;
// The outer width and height not given to the list box and the grid.
constexpr int WidthMargin = 500;
constexpr int HeightMargin = 3300;
constexpr int BarGap = 30;
constexpr int BarMinHeight = 120;
constexpr int BarMaxHeight = 270;

} // namespace

GrowingLayout growingLayout(int outerWidth, int outerHeight, int clientHeight)
{
    const int width = qMax(outerWidth - WidthMargin, 0);
    const int listExtra = qMax(outerHeight - HeightMargin - GridDesignHeight, 0) / 3;
    GrowingLayout layout;
    layout.list = QRect(Left, ListTop, width, ListHeight + listExtra);
    layout.indicatorTop = IndicatorTop + listExtra;
    layout.grid = QRect(Left, GridTop + listExtra, width, qMax(outerHeight - HeightMargin - listExtra, 0));
    const int barTop = layout.grid.y() + layout.grid.height() + BarGap;
    const int barHeight = qBound(BarMinHeight, clientHeight - barTop - BarGap, BarMaxHeight);
    layout.progressBar = QRect(Left, barTop, width, barHeight);
    return layout;
}
