// SPDX-License-Identifier: GPL-3.0-or-later
#include "rowbars.h"

#include <algorithm>
#include <cmath>
#include <vector>

void RowBars::draw(QCPPainter* painter)
{
    const double rowPixels = std::abs(keyAxis()->coordToPixel(1) - keyAxis()->coordToPixel(0));
    if (rowPixels >= 2 || mDataContainer->isEmpty()) {
        QCPBars::draw(painter);
        return;
    }
    QCPBarsDataContainer::const_iterator begin, end;
    getVisibleDataBounds(begin, end);
    if (begin == end)
        return;
    const QRect area = clipRect();
    const int left = area.left();
    std::vector<double> high(static_cast<std::size_t>(area.width() + 1), 0.0);
    std::vector<double> low(high.size(), 0.0);
    for (auto it = begin; it != end; ++it) {
        const long column = std::lround(keyAxis()->coordToPixel(it->key)) - left;
        if (column < 0 || column >= static_cast<long>(high.size()))
            continue;
        high[static_cast<std::size_t>(column)] = std::max(high[static_cast<std::size_t>(column)], it->value);
        low[static_cast<std::size_t>(column)] = std::min(low[static_cast<std::size_t>(column)], it->value);
    }
    const double base = valueAxis()->coordToPixel(0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(mPen.color());
    for (std::size_t c = 0; c < high.size(); ++c) {
        if (high[c] == 0 && low[c] == 0)
            continue;
        const double top = valueAxis()->coordToPixel(high[c]);
        const double bottom = valueAxis()->coordToPixel(low[c]);
        painter->drawRect(QRectF(left + static_cast<double>(c), std::min(top, base), 1.0, std::abs(bottom - top)));
    }
}
