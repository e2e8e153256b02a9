// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <qcustomplot.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCustomPlot;
class QCPBars;
class QCPGraph;
class QCPAxisTickerText;
class QCPItemText;
class QCPItemStraightLine;
class QMouseEvent;
class QCPItemRect;
class SatelliteRecords;

// Date and time labels for the time axis. Where the span shown is shorter
// than a day the labels are clock times, and the date stands on the first
// label and on each label whose day differs from the one before.
class DatedTimeTicker : public QCPAxisTickerDateTime {
protected:
    QVector<QString> createLabelVector(
        const QVector<double>& ticks, const QLocale& locale, QChar formatChar, int precision) override;
};

// The chart of one field over all records of its packet kind, drawn as bars
// or as a thick line, one row per record in record order with the records'
// time texts under them. The mouse wheel zooms the rows, a drag pans them, a
// double click shows all rows again, a readout follows the mouse, a thin
// marker stands at the record on display, and a click on a row shows its
// record.
class FieldChart {
public:
    FieldChart(QCustomPlot* plot, std::string decimalMark);
    // The plot may outlive the chart (its window's widgets go last): it
    // tells the chart nothing more.
    ~FieldChart();
    FieldChart(const FieldChart&) = delete;
    FieldChart& operator=(const FieldChart&) = delete;

    // field: a field of the satellite that m holds, as SatelliteRecords
    // numbers them (the records without a number for it left out).
    void Draw(const Module1& m, std::size_t field, bool bars);

    // Where set, a drawing of CollectOffThreadFrom records or more collects
    // its rows on another thread and calls this meanwhile (the window handles
    // its events). The data set must stay as it is until the drawing is done.
    std::function<void()> WhileCollecting;
    std::int64_t CollectOffThreadFrom = 200000;

    // A drawing's rows, as collected from the data set.
    struct Rows {
        QVector<QCPBarsData> Data;
        std::vector<double> Keys;          // on the time axis: the drawn records' keys
        std::vector<std::int64_t> Records; // and records
        std::int64_t WithoutTime = 0;
        std::int64_t WithoutValue = 0; // records that lack the field (a described satellite's)
        bool TimeAxis = false;
    };

    // With the time axis, the records with a known instant stand at their
    // instants on a UTC date and time axis: bars become narrow marks and the
    // line breaks between passes. It takes effect with the next Draw.
    void SetTimeAxis(bool on) { timeAxis_ = on; }
    bool TimeAxis() const { return timeAxis_; }
    // Records of the drawing left out for want of an instant.
    std::int64_t RecordsWithoutTime() const { return withoutTime_; }
    // Records of the drawing left out for want of the field's value.
    std::int64_t RecordsWithoutValue() const { return withoutValue_; }
    // Shows the span from start to end (instants), on the time axis.
    void ShowSpan(Instant start, Instant end);

    // Back to the whole range of the last drawing.
    void ResetView();
    // The readout for the mouse at x (pixels in the chart): the record under
    // it, its time text, and its value with the unit; below them the
    // instant and the place it was received. Empty off the rows.
    QString ReadoutAt(double x) const;
    QCPItemText* Readout() const { return readout_; }
    // Where the readout stands for the mouse at (x, y), beside the mouse and
    // never over the row's point, inside the axis rectangle: its top left
    // corner in pixels.
    QPointF ReadoutPlace(const QString& text, QPointF mouse) const;

    // The marker at record n (none outside the rows).
    void ShowMarker(std::int64_t n);
    QCPItemStraightLine* Marker() const { return marker_; }
    // Called with the record of a row that was clicked (not dragged).
    std::function<void(std::int64_t record)> OnRowClicked;

    // The chart with the field's name and unit as its title (and on the time
    // axis the span shown, as UTC dates and times) and without the readout,
    // as a picture for "Save chart as PNG...".
    QImage PictureWithTitle();
    // The title of that picture.
    QString Title() const;
    // The name of the field drawn, with its unit: "Batt volts (mV)".
    QString FieldTitle() const;

    // What the chart shows, for the tests and the benchmark.
    std::int64_t RowCount() const { return rows_; }
    std::int64_t Divisions() const { return divisions_; }
    QCPBars* Bars() const { return bars_; }
    QCPGraph* Line() const { return line_; }
    QSharedPointer<QCPAxisTickerText> Ticker() const { return ticker_; }

    static constexpr double BarPenWidth = 1.0;
    static constexpr double LinePenWidth = 3.0;

private:
    Rows Collect(const SatelliteRecords& s, std::size_t field);
    void Show(const Module1& m, const std::shared_ptr<const SatelliteRecords>& records, std::size_t field, bool bars,
        Rows rows);
    // The steps of a drawing: the rows kept for the readout and the keys,
    // put into the plot, the axis labels, the keys' and values' full ranges.
    void KeepRows(const Module1& m, const std::shared_ptr<const SatelliteRecords>& records, std::size_t field,
        std::int64_t n, Rows& rows);
    void PutData(bool bars, const QVector<QCPBarsData>& data, bool timeAxis);
    void PutTicks(std::int64_t n, bool timeAxis);
    QCPRange KeyRange(std::int64_t n, bool timeAxis) const;
    static QCPRange ValueRange(const QVector<QCPBarsData>& data, bool bars);
    static QVector<QCPGraphData> LineThrough(const QVector<QCPBarsData>& rows, bool timeAxis);
    void FollowMouse(QMouseEvent* event);
    void HideReadout();
    void ClickRow(QMouseEvent* event);
    void ShowAllRows();
    void ShowFocus(bool focused);
    // The record whose row or mark is nearest to x (pixels), if any is near.
    std::optional<std::int64_t> RecordAt(double x) const;
    // Where record n stands on the horizontal axis, if it is drawn.
    std::optional<double> KeyOf(std::int64_t n) const;
    void LabelTimeAxis();

    QCustomPlot* plot_;
    std::string decimalMark_;
    const Module1* m_ = nullptr;
    std::shared_ptr<const SatelliteRecords> satellite_; // the records drawn
    std::size_t field_ = 0;
    std::function<double(std::int64_t)> valueOf_; // record n's value of the field drawn
    QCPItemText* readout_;
    QCPItemStraightLine* marker_;
    QCPItemRect* focusMark_;
    QPointer<QObject> plotEvents_; // the filter of the plot's leave and focus events
    QPointF pressedAt_;
    // The record on display before the first click of a double click, which
    // shows all rows and leaves the record as it was.
    std::int64_t markerRecord_ = 0;
    std::int64_t beforeClicks_ = 0;
    QElapsedTimer lastClick_;
    QCPRange fullKeys_;
    QCPRange fullValues_;
    QCPBars* bars_;
    QCPGraph* line_;
    QSharedPointer<QCPAxisTickerText> ticker_;
    std::int64_t rows_ = 0;
    bool timeAxis_ = false;
    std::int64_t withoutTime_ = 0;
    std::int64_t withoutValue_ = 0;
    // The drawn records by key (instant in seconds on the time axis).
    std::vector<double> keys_;
    std::vector<std::int64_t> records_;
    QSharedPointer<DatedTimeTicker> timeTicker_;
    bool drawnTimeAxis_ = false;
    // Rows per label; a drawing of more than 40 records sets it, and smaller
    // drawings keep it, as the chart's own axis state.
    std::int64_t divisions_ = 1;
    // A drawing collecting its rows off the window's thread, and the one
    // asked for meanwhile.
    struct Request {
        const Module1* M;
        std::size_t Field;
        bool Bars;
    };
    bool collecting_ = false;
    std::optional<Request> pending_;
};
