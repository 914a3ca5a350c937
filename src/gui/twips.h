#pragma once

#include <QRect>
#include <QtMath>

// The window is laid out in twips, 15 to the pixel.
namespace Twips {

constexpr int PerPixel = 15;

inline int toPixels(int twips)
{
    return qRound(twips / double(PerPixel));
}
constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
