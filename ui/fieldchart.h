#pragma once

#include "telemetry/module1.h"

#include <QSharedPointer>

#include <cstdint>

class QCustomPlot;
class QCPBars;
class QCPGraph;
class QCPAxisTickerText;

// The chart of one field over all records of its packet kind, drawn as bars
// or as a thick line, one row per record in record order with the records'
// time texts under them.
class FieldChart {
public:
    explicit FieldChart(QCustomPlot* plot);

    void Draw(const Module1& m, int field, bool bars);

    // What the chart shows, for the tests and the benchmark.
    std::int64_t RowCount() const { return rows_; }
    std::int64_t Divisions() const { return divisions_; }
    QCPBars* Bars() const { return bars_; }
    QCPGraph* Line() const { return line_; }
    QSharedPointer<QCPAxisTickerText> Ticker() const { return ticker_; }

    static constexpr double BarPenWidth = 1.0;
    static constexpr double LinePenWidth = 3.0;

private:
    QCustomPlot* plot_;
    QCPBars* bars_;
    QCPGraph* line_;
    QSharedPointer<QCPAxisTickerText> ticker_;
    std::int64_t rows_ = 0;
    // Rows per label; a drawing of more than 40 records sets it, and smaller
    // drawings keep it, as the chart's own axis state.
    std::int64_t divisions_ = 1;
};
