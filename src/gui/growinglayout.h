#pragma once

#include <QRect>

// Where the controls that follow the window's size go, in twips. Up to the height at which the
// grid has its design height, the list box keeps its design height and the grid takes the rest;
// above it the list box takes a third of the extra height, and the indicators and the grid move
// down by as much. The progress bar sits in the strip between the grid and the client area's
// bottom. The controls of the top two rows never move.
struct GrowingLayout
{
    QRect list;
    int indicatorTop = 0;
    QRect grid;
    QRect progressBar;
};

// The layout for a window whose outer size and client height are given; the outer height must be
// above 3200 twips (below that the window keeps its last layout).
GrowingLayout growingLayout(int outerWidth, int outerHeight, int clientHeight);
