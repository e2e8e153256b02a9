#include "fieldchart.h"

#include "ui/chartrows.h"

#include <qcustomplot.h>

#include <algorithm>

FieldChart::FieldChart(QCustomPlot* plot)
    : plot_(plot)
    , bars_(new QCPBars(plot->xAxis, plot->yAxis))
    , line_(plot->addGraph())
    , ticker_(new QCPAxisTickerText)
{
    bars_->setWidthType(QCPBars::wtPlotCoords);
    bars_->setWidth(0.8);
    bars_->setBrush(QColor(60, 100, 190));
    line_->setPen(QPen(QColor(60, 100, 190), LinePenWidth));
    line_->setVisible(false);
    plot_->xAxis->setTicker(ticker_);
    plot_->xAxis->setTickLabelRotation(0);
    plot_->xAxis->setSubTicks(false);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
}

void FieldChart::Draw(const Module1& m, int field, bool bars)
{
    bars_->setVisible(bars);
    line_->setVisible(!bars);
    bars_->setPen(QPen(QColor(30, 60, 140), BarPenWidth));
    line_->setPen(QPen(QColor(60, 100, 190), LinePenWidth));

    const std::int64_t n = m.CountForField(field);
    const bool second = PacketKindOfField(field) == 2;
    rows_ = n;
    if (const std::int64_t manual = ChartDivisions(n); manual > 0)
        divisions_ = manual;

    QVector<double> keys(static_cast<qsizetype>(n));
    QVector<double> values(static_cast<qsizetype>(n));
    double low = 0;
    double high = 0;
    const auto k = static_cast<std::size_t>(field);
    for (std::int64_t i = 1; i <= n; ++i) {
        const double v = m.Table.Record(i).Values[k];
        keys[static_cast<qsizetype>(i - 1)] = static_cast<double>(i);
        values[static_cast<qsizetype>(i - 1)] = v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (bars) {
        bars_->setData(keys, values, true);
        line_->data()->clear();
    } else {
        line_->setData(keys, values, true);
        bars_->data()->clear();
    }

    ticker_->clear();
    for (std::int64_t i = 1; i <= n; i += divisions_) {
        const std::string_view time = second ? m.Table.Packet2Time(i) : m.Table.Packet1Time(i);
        const std::string label = ChartRowLabel(time, i, n);
        ticker_->addTick(
            static_cast<double>(i), QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())));
    }

    // Many labels stand on end so that they do not run into each other.
    plot_->xAxis->setTickLabelRotation(ticker_->ticks().size() > 12 ? -90 : 0);
    plot_->xAxis->setRange(0.5, static_cast<double>(std::max<std::int64_t>(n, 1)) + 0.5);
    if (high == low)
        high = low + 1;
    const double margin = (high - low) * 0.05;
    plot_->yAxis->setRange(low < 0 ? low - margin : 0, high + margin);
    plot_->replot();
}
