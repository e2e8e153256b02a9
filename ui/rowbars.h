// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <qcustomplot.h>

// Bars that stay fast when there are more rows than pixels: once rows are
// narrower than two pixels, every pixel column is drawn once, from the base
// to the highest and to the lowest value of the rows that fall into it, in
// the colour of the bars' outline, which is all a narrow bar shows. Wider
// bars are drawn one by one as usual.
class RowBars : public QCPBars {
public:
    using QCPBars::QCPBars;

protected:
    void draw(QCPPainter* painter) override;
};
