// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QWidget>

#include <cmath>

// The window is laid out in twips (1440 to the inch): 15 twips make a pixel
// at 96 dpi, and the layout scales with the screen's logical dpi.
inline int TwipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

inline QRect TwipsRect(int left, int top, int width, int height, double dpi)
{
    return QRect(
        TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi), TwipsToPixels(height, dpi));
}

inline void PlaceInTwips(QWidget* w, int left, int top, int width, int height, double dpi)
{
    w->setGeometry(TwipsRect(left, top, width, height, dpi));
}
