// SPDX-License-Identifier: GPL-3.0-or-later
// A drawing of the chart: its rows collected from the data set (on other
// threads where they are many), put into the plot with their labels and
// ranges.
#include "fieldchart.h"

#include "fields/chartrows.h"
#include "fields/satelliterecords.h"
#include "ui/latin1.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <vector>

namespace {

// Rows whose record lacks the field (a described satellite's) are left out
// and counted.
void LeaveOutNoNumbers(FieldChart::Rows& rows)
{
    std::size_t kept = 0;
    for (qsizetype j = 0; j < rows.Data.size(); ++j) {
        if (std::isnan(rows.Data[j].value))
            continue;
        rows.Data[static_cast<qsizetype>(kept)] = rows.Data[j];
        if (rows.TimeAxis) {
            rows.Keys[kept] = rows.Keys[static_cast<std::size_t>(j)];
            rows.Records[kept] = rows.Records[static_cast<std::size_t>(j)];
        }
        ++kept;
    }
    rows.WithoutValue = rows.Data.size() - static_cast<qsizetype>(kept);
    rows.Data.resize(static_cast<qsizetype>(kept));
    if (rows.TimeAxis) {
        rows.Keys.resize(kept);
        rows.Records.resize(kept);
    }
}

// A drawing's rows from the data set, by key: the record number, or on the
// time axis the instant in seconds (records without one left out and
// counted). Touches nothing but what it is given, so that it may run on
// another thread.
FieldChart::Rows CollectRows(const SatelliteRecords& s, std::size_t field, std::int64_t n, bool timeAxis)
{
    FieldChart::Rows rows;
    rows.TimeAxis = timeAxis;
    if (!timeAxis) {
        // Record i stands at i: no list of keys is kept.
        rows.Data.resize(static_cast<qsizetype>(n));
        QCPBarsData* row = rows.Data.data();
        auto collect = [&s, field, row](std::int64_t from, std::int64_t to) {
            const std::unique_ptr<RecordReader> values = s.Reader();
            for (std::int64_t i = from; i <= to; ++i)
                row[i - 1] = QCPBarsData(static_cast<double>(i), values->Number(i, field));
        };
        // A long drawing's second half is decoded on the other core.
        if (n < 100000) {
            collect(1, n);
        } else {
            auto second = std::async(std::launch::async, collect, n / 2 + 1, n);
            collect(1, n / 2);
            second.get();
        }
        LeaveOutNoNumbers(rows);
        return rows;
    }
    struct Point {
        double Key;
        std::int64_t Record;
    };
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(n));
    const std::unique_ptr<RecordReader> values = s.Reader();
    const int kind = s.FieldKind(field);
    for (std::int64_t i = 1; i <= n; ++i)
        if (const Instant at = s.Reception(kind, i).At; at != UnknownInstant)
            points.push_back({static_cast<double>(at) / 1000.0, i});
    rows.WithoutTime = n - static_cast<std::int64_t>(points.size());
    const auto byKey = [](const Point& a, const Point& b) { return a.Key < b.Key; };
    if (!std::is_sorted(points.begin(), points.end(), byKey))
        std::stable_sort(points.begin(), points.end(), byKey);
    rows.Keys.resize(points.size());
    rows.Records.resize(points.size());
    rows.Data.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t j = 0; j < points.size(); ++j) {
        rows.Keys[j] = points[j].Key;
        rows.Records[j] = points[j].Record;
        rows.Data[static_cast<qsizetype>(j)] = QCPBarsData(points[j].Key, values->Number(points[j].Record, field));
    }
    LeaveOutNoNumbers(rows);
    return rows;
}

// The records a chart of field k has: those of its packet kind.
std::int64_t ChartRecordCount(const SatelliteRecords& s, std::size_t k)
{
    return k < s.FieldCount() ? s.Count(s.FieldKind(k)) : 0;
}

} // namespace

FieldChart::Rows FieldChart::Collect(const SatelliteRecords& s, std::size_t field)
{
    const std::int64_t n = ChartRecordCount(s, field);
    if (!WhileCollecting || n < CollectOffThreadFrom)
        return CollectRows(s, field, n, timeAxis_);
    // On another thread, while the window handles its events; a drawing
    // asked for meanwhile waits for this one (Draw).
    collecting_ = true;
    auto rows = std::async(std::launch::async, CollectRows, std::cref(s), field, n, timeAxis_);
    do
        WhileCollecting();
    while (rows.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready);
    collecting_ = false;
    return rows.get();
}

// The line through the rows; on the time axis it breaks wherever two
// neighbours stand further apart than ten times the median spacing, so that
// the passes stand apart.
QVector<QCPGraphData> FieldChart::LineThrough(const QVector<QCPBarsData>& rows, bool timeAxis)
{
    QVector<QCPGraphData> line;
    line.reserve(rows.size() + (timeAxis ? rows.size() / 8 : 0));
    double breakAt = std::numeric_limits<double>::infinity();
    if (timeAxis && rows.size() > 2) {
        std::vector<double> spacing(static_cast<std::size_t>(rows.size() - 1));
        for (qsizetype j = 1; j < rows.size(); ++j)
            spacing[static_cast<std::size_t>(j - 1)] = rows[j].key - rows[j - 1].key;
        std::nth_element(
            spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(spacing.size() / 2), spacing.end());
        breakAt = 10 * spacing[spacing.size() / 2];
    }
    for (qsizetype j = 0; j < rows.size(); ++j) {
        if (j > 0 && rows[j].key - rows[j - 1].key > breakAt)
            line.append(QCPGraphData((rows[j].key + rows[j - 1].key) / 2, std::numeric_limits<double>::quiet_NaN()));
        line.append(QCPGraphData(rows[j].key, rows[j].value));
    }
    return line;
}

void FieldChart::Draw(const Module1& m, std::size_t field, bool bars)
{
    // Asked for while a long drawing collects its rows (by an event the
    // window handles meanwhile), a drawing follows that one.
    if (collecting_) {
        pending_ = Request{&m, field, bars};
        return;
    }
    std::shared_ptr<const SatelliteRecords> records = RecordsOf(m);
    Show(m, records, field, bars, Collect(*records, field));
    while (pending_) {
        const Request next = *pending_;
        pending_.reset();
        records = RecordsOf(*next.M);
        Show(*next.M, records, next.Field, next.Bars, Collect(*records, next.Field));
    }
}

void FieldChart::Show(
    const Module1& m, const std::shared_ptr<const SatelliteRecords>& records, std::size_t field, bool bars, Rows rows)
{
    const std::int64_t n = ChartRecordCount(*records, field);
    const bool timeAxis = rows.TimeAxis;
    // The same rows drawn again (bars and line switched, new live records):
    // a range the user zoomed or panned to stays.
    const bool zoomed
        = m_ == &m && field_ == field && drawnTimeAxis_ == timeAxis && rows_ > 0 && plot_->xAxis->range() != fullKeys_;
    const QCPRange shownKeys = plot_->xAxis->range();
    KeepRows(m, records, field, n, rows);
    PutData(bars, rows.Data, timeAxis);
    PutTicks(n, timeAxis);
    fullKeys_ = KeyRange(n, timeAxis);
    fullValues_ = ValueRange(rows.Data, bars);
    ResetView();
    if (zoomed) {
        plot_->xAxis->setRange(shownKeys);
        plot_->replot();
    }
}

void FieldChart::KeepRows(const Module1& m, const std::shared_ptr<const SatelliteRecords>& records, std::size_t field,
    std::int64_t n, Rows& rows)
{
    drawnTimeAxis_ = rows.TimeAxis;
    m_ = &m;
    satellite_ = records;
    // The readout's values, with one reader for the drawing rather than one
    // for every move of the mouse.
    valueOf_ = [values = std::shared_ptr<RecordReader>(records->Reader()), field](
                   std::int64_t n) { return values->Number(n, field); };
    field_ = field;
    readout_->setVisible(false);
    rows_ = n;
    keys_ = std::move(rows.Keys);
    records_ = std::move(rows.Records);
    withoutTime_ = rows.WithoutTime;
    withoutValue_ = rows.WithoutValue;
    if (const std::int64_t manual = ChartDivisions(n); manual > 0)
        divisions_ = manual;
}

void FieldChart::PutData(bool bars, const QVector<QCPBarsData>& data, bool timeAxis)
{
    bars_->setVisible(bars);
    line_->setVisible(!bars);
    bars_->setPen(QPen(QColor(30, 60, 140), BarPenWidth));
    line_->setPen(QPen(QColor(60, 100, 190), LinePenWidth));
    // On the time axis bars are narrow marks.
    bars_->setWidthType(timeAxis ? QCPBars::wtAbsolute : QCPBars::wtPlotCoords);
    bars_->setWidth(timeAxis ? 3 : 0.8);
    // Set where the plot keeps them: no copy of a million rows.
    bars_->data()->clear();
    line_->data()->clear();
    if (bars)
        bars_->data()->set(data, true);
    else
        line_->data()->set(LineThrough(data, timeAxis), true);
}

void FieldChart::PutTicks(std::int64_t n, bool timeAxis)
{
    ticker_->clear();
    if (timeAxis) {
        plot_->xAxis->setTicker(timeTicker_);
    } else {
        plot_->xAxis->setTicker(ticker_);
        for (std::int64_t i = 1; i <= n; i += divisions_) {
            const std::string label = ChartRowLabel(satellite_->Time(satellite_->FieldKind(field_), i), i, n);
            ticker_->addTick(static_cast<double>(i), Latin1(label));
        }
    }
    // Many labels stand on end so that they do not run into each other.
    plot_->xAxis->setTickLabelRotation(!timeAxis && ticker_->ticks().size() > 12 ? -90 : 0);
}

QCPRange FieldChart::KeyRange(std::int64_t n, bool timeAxis) const
{
    if (!timeAxis)
        return QCPRange(0.5, static_cast<double>(std::max<std::int64_t>(n, 1)) + 0.5);
    if (keys_.empty())
        return QCPRange(0, 60);
    const double pad = std::max(10.0, (keys_.back() - keys_.front()) * 0.02);
    return QCPRange(keys_.front() - pad, keys_.back() + pad);
}

QCPRange FieldChart::ValueRange(const QVector<QCPBarsData>& data, bool bars)
{
    // Bars stand on 0; a line spans the values it shows.
    const bool fromZero = bars || data.isEmpty();
    double low = fromZero ? 0 : std::numeric_limits<double>::infinity();
    double high = fromZero ? 0 : -std::numeric_limits<double>::infinity();
    for (const QCPBarsData& row : data) {
        low = std::min(low, row.value);
        high = std::max(high, row.value);
    }
    // A line spans its values with a small margin, so that a battery voltage
    // between 7,800 and 8,050 mV is no flat line.
    if (high == low)
        high = low + (bars ? 1.0 : std::max(1.0, std::abs(low) * 0.05));
    const double margin = (high - low) * 0.05;
    return bars ? QCPRange(low < 0 ? low - margin : 0, high + margin) : QCPRange(low - margin, high + margin);
}
