// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldchart.h"

#include "fields/reception.h"
#include "fields/satelliterecords.h"
#include "ui/latin1.h"
#include "ui/rowbars.h"

#include <QApplication>
#include <QEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// Tells the chart when the mouse leaves it and when it gains or loses the
// focus, which QCustomPlot has no signals for.
class PlotEvents : public QObject {
public:
    PlotEvents(QObject* parent, std::function<void()> left, std::function<void(bool)> focus)
        : QObject(parent)
        , left_(std::move(left))
        , focus_(std::move(focus))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Leave)
            left_();
        else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            focus_(event->type() == QEvent::FocusIn);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> left_;
    std::function<void(bool)> focus_;
};

} // namespace

QVector<QString> DatedTimeTicker::createLabelVector(
    const QVector<double>& ticks, const QLocale& locale, QChar formatChar, int precision)
{
    QVector<QString> labels = QCPAxisTickerDateTime::createLabelVector(ticks, locale, formatChar, precision);
    if (dateTimeFormat().contains(QLatin1Char('d')))
        return labels; // the labels carry their dates
    QDate before;
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        const QDate day = keyToDateTime(ticks[i]).toUTC().date();
        if (day != before)
            labels[i] = day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\n') + labels[i];
        before = day;
    }
    return labels;
}

FieldChart::FieldChart(QCustomPlot* plot, std::string decimalMark)
    : plot_(plot)
    , decimalMark_(std::move(decimalMark))
    , readout_(new QCPItemText(plot))
    , marker_(new QCPItemStraightLine(plot))
    , focusMark_(new QCPItemRect(plot))
    , bars_(new RowBars(plot->xAxis, plot->yAxis))
    , line_(plot->addGraph())
    , ticker_(new QCPAxisTickerText)
    , timeTicker_(new DatedTimeTicker)
{
    timeTicker_->setDateTimeSpec(Qt::UTC);
    QObject::connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_,
        [this](const QCPRange&) { LabelTimeAxis(); });
    bars_->setWidthType(QCPBars::wtPlotCoords);
    bars_->setWidth(0.8);
    bars_->setBrush(QColor(60, 100, 190));
    // Bars are upright rectangles: smoothing their edges costs much and shows little.
    bars_->setAntialiased(false);
    bars_->setAntialiasedFill(false);
    line_->setPen(QPen(QColor(60, 100, 190), LinePenWidth));
    line_->setVisible(false);
    plot_->xAxis->setTicker(ticker_);
    plot_->xAxis->setTickLabelRotation(0);
    plot_->xAxis->setSubTicks(false);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);

    // The rows zoom and pan; the value axis follows the drawing.
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->setMouseTracking(true);
    QObject::connect(plot_, &QCustomPlot::mouseMove, plot_, [this](QMouseEvent* e) { FollowMouse(e); });
    QObject::connect(plot_, &QCustomPlot::mouseDoubleClick, plot_, [this](QMouseEvent*) { ShowAllRows(); });
    QObject::connect(plot_, &QCustomPlot::mousePress, plot_, [this](QMouseEvent* e) { pressedAt_ = e->position(); });
    QObject::connect(plot_, &QCustomPlot::mouseRelease, plot_, [this](QMouseEvent* e) { ClickRow(e); });
    // The chart takes the focus when clicked, and the tab key reaches it; a
    // dotted frame shows where the focus is.
    plot_->setFocusPolicy(Qt::StrongFocus);
    plotEvents_ = new PlotEvents(
        plot_, [this] { HideReadout(); }, [this](bool focused) { ShowFocus(focused); });
    plot_->installEventFilter(plotEvents_);

    plot_->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmBuffered);
    readout_->setLayer(QStringLiteral("overlay"));
    readout_->setClipToAxisRect(true);
    readout_->position->setType(QCPItemPosition::ptAbsolute);
    readout_->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    readout_->setPadding(QMargins(4, 2, 4, 2));
    readout_->setBrush(QColor(255, 255, 225));
    readout_->setPen(QPen(QColor(120, 120, 120)));
    readout_->setVisible(false);

    marker_->setLayer(QStringLiteral("overlay"));
    marker_->setPen(QPen(QColor(200, 40, 40), 1.0));
    marker_->setVisible(false);

    focusMark_->setLayer(QStringLiteral("overlay"));
    focusMark_->setClipToAxisRect(false);
    focusMark_->topLeft->setType(QCPItemPosition::ptAbsolute);
    focusMark_->bottomRight->setType(QCPItemPosition::ptAbsolute);
    focusMark_->setPen(QPen(QColor(60, 60, 60), 1.0, Qt::DotLine));
    focusMark_->setBrush(Qt::NoBrush);
    focusMark_->setVisible(false);

    // The last row label ends before the "B" box at the bottom right.
    plot_->axisRect()->setAutoMargins(QCP::msLeft | QCP::msTop | QCP::msBottom);
    plot_->axisRect()->setMargins(QMargins(0, 0, 44, 0));
}

FieldChart::~FieldChart() { delete plotEvents_; }

void FieldChart::ShowMarker(std::int64_t n)
{
    markerRecord_ = n;
    const std::optional<double> key = KeyOf(n);
    marker_->setVisible(key.has_value());
    if (key) {
        marker_->point1->setCoords(*key, 0);
        marker_->point2->setCoords(*key, 1);
    }
    marker_->layer()->replot();
}

std::optional<double> FieldChart::KeyOf(std::int64_t n) const
{
    if (!satellite_ || n < 1 || n > rows_)
        return std::nullopt;
    if (!timeAxis_)
        return static_cast<double>(n);
    const Instant at = satellite_->Reception(satellite_->FieldKind(field_), n).At;
    return at == UnknownInstant ? std::nullopt : std::optional<double>(static_cast<double>(at) / 1000.0);
}

std::optional<std::int64_t> FieldChart::RecordAt(double x) const
{
    const double key = plot_->xAxis->pixelToCoord(x);
    if (!timeAxis_) {
        const auto i = static_cast<std::int64_t>(std::llround(key));
        return i >= 1 && i <= rows_ ? std::optional<std::int64_t>(i) : std::nullopt;
    }
    // The nearest mark, when it stands within a few pixels.
    if (keys_.empty())
        return std::nullopt;
    const auto after = std::lower_bound(keys_.begin(), keys_.end(), key);
    auto nearest = after;
    if (after == keys_.end() || (after != keys_.begin() && key - *(after - 1) < *after - key))
        nearest = after - 1;
    if (std::abs(plot_->xAxis->coordToPixel(*nearest) - x) > 8)
        return std::nullopt;
    return records_[static_cast<std::size_t>(nearest - keys_.begin())];
}

void FieldChart::ShowSpan(Instant start, Instant end)
{
    const double margin = std::max(10.0, static_cast<double>(end - start) / 1000.0 * 0.05);
    plot_->xAxis->setRange(static_cast<double>(start) / 1000.0 - margin, static_cast<double>(end) / 1000.0 + margin);
    plot_->replot();
}

// Date and time labels that suit the span shown: the time of day within a
// day, the date and time within a month, the date beyond.
void FieldChart::LabelTimeAxis()
{
    if (!timeAxis_)
        return;
    const double span = plot_->xAxis->range().size();
    const QString format = span < 86400 ? QStringLiteral("hh:mm:ss")
        : span < 30 * 86400             ? QStringLiteral("MM-dd hh:mm")
                                        : QStringLiteral("yyyy-MM-dd");
    if (timeTicker_->dateTimeFormat() != format)
        timeTicker_->setDateTimeFormat(format);
}

void FieldChart::ClickRow(QMouseEvent* event)
{
    // A drag pans the rows; only a click without a move chooses a record.
    if (event->button() != Qt::LeftButton || (event->position() - pressedAt_).manhattanLength() > 3)
        return;
    // The first click of what may become a double click: the record shown
    // before it is kept, for the double click to go back to.
    if (!lastClick_.isValid() || lastClick_.elapsed() > QApplication::doubleClickInterval())
        beforeClicks_ = markerRecord_;
    lastClick_.start();
    const std::optional<std::int64_t> record = RecordAt(event->position().x());
    if (record && plot_->axisRect()->rect().contains(event->position().toPoint()) && OnRowClicked)
        OnRowClicked(*record);
}

QPointF FieldChart::ReadoutPlace(const QString& text, QPointF mouse) const
{
    const QRect area = plot_->axisRect()->rect();
    const QFontMetricsF metrics(readout_->font());
    const QMargins pad = readout_->padding();
    const QStringList lines = text.split(QLatin1Char('\n'));
    double textWidth = 0;
    for (const QString& line : lines)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    const double width = textWidth + pad.left() + pad.right() + 2;
    const double height = metrics.lineSpacing() * static_cast<double>(lines.size()) + pad.top() + pad.bottom() + 2;
    // The row's point: the readout stands clear of it and of the mouse, beside
    // them where there is room, else above them (or below, near the top).
    const double row = std::round(plot_->xAxis->pixelToCoord(mouse.x()));
    const double pointX = plot_->xAxis->coordToPixel(row);
    const double pointY
        = std::clamp(plot_->yAxis->coordToPixel(valueOf_ ? valueOf_(static_cast<std::int64_t>(row)) : 0.0),
            static_cast<double>(area.top()), static_cast<double>(area.bottom()));
    constexpr double Gap = 12;
    const double right = std::max(mouse.x(), pointX) + Gap;
    const double left = std::min(mouse.x(), pointX) - Gap - width;
    const double top = static_cast<double>(area.top());
    const double bottom = std::max(top, area.bottom() - height);
    if (right + width <= area.right())
        return {right, std::clamp(mouse.y() - height / 2, top, bottom)};
    if (left >= area.left())
        return {left, std::clamp(mouse.y() - height / 2, top, bottom)};
    const double x = std::clamp(mouse.x() - width / 2, static_cast<double>(area.left()),
        std::max(static_cast<double>(area.left()), area.right() - width));
    const double high = std::min(mouse.y(), pointY) - Gap - height;
    return {x, high >= top ? high : std::min(bottom, std::max(mouse.y(), pointY) + Gap)};
}

QString FieldChart::FieldTitle() const
{
    // Field names and units are UTF-8 (a description's "°C").
    return satellite_ && field_ < satellite_->FieldCount() ? QString::fromStdString(satellite_->FieldTitle(field_))
                                                           : QString();
}

QString FieldChart::Title() const
{
    QString text = FieldTitle();
    if (timeAxis_) {
        // The span shown, so that a picture of a few hours still tells its day.
        const QCPRange shown = plot_->xAxis->range();
        const auto utc = [](double key) { return QCPAxisTickerDateTime::keyToDateTime(key).toUTC(); };
        const QDateTime from = utc(shown.lower);
        const QDateTime to = utc(shown.upper);
        const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        text += QStringLiteral(", ") + from.toString(format) + QStringLiteral(" to ")
            + (to.date() == from.date() ? to.toString(QStringLiteral("hh:mm:ss")) : to.toString(format))
            + QStringLiteral(" UTC");
    }
    return text;
}

QImage FieldChart::PictureWithTitle()
{
    const bool readout = readout_->visible();
    const bool focus = focusMark_->visible();
    readout_->setVisible(false);
    focusMark_->setVisible(false);
    auto* caption = new QCPTextElement(plot_, Title(), QFont(plot_->font().family(), 11, QFont::Bold));
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, caption);
    plot_->replot(QCustomPlot::rpImmediateRefresh);
    const QImage picture = plot_->toPixmap().toImage();
    plot_->plotLayout()->remove(caption);
    plot_->plotLayout()->simplify();
    readout_->setVisible(readout);
    focusMark_->setVisible(focus);
    plot_->replot();
    return picture;
}

void FieldChart::ShowAllRows()
{
    // The clicks of a double click choose no record.
    if (beforeClicks_ != markerRecord_ && beforeClicks_ > 0 && OnRowClicked)
        OnRowClicked(beforeClicks_);
    lastClick_.invalidate();
    ResetView();
}

void FieldChart::ShowFocus(bool focused)
{
    focusMark_->topLeft->setCoords(1, 1);
    focusMark_->bottomRight->setCoords(plot_->width() - 2, plot_->height() - 2);
    focusMark_->setVisible(focused);
    focusMark_->layer()->replot();
}

void FieldChart::HideReadout()
{
    if (!readout_->visible())
        return;
    readout_->setVisible(false);
    readout_->layer()->replot();
}

void FieldChart::ResetView()
{
    plot_->xAxis->setRange(fullKeys_);
    plot_->yAxis->setRange(fullValues_);
    plot_->replot();
}

QString FieldChart::ReadoutAt(double x) const
{
    const std::optional<std::int64_t> record = RecordAt(x);
    if (!m_ || !satellite_ || !record)
        return {};
    const std::int64_t i = *record;
    const SatelliteRecords& s = *satellite_;
    const int kind = s.FieldKind(field_);
    // The time text and the capture's name are bytes as read; the value (with
    // the locale's decimal mark) and the unit are UTF-8.
    const std::string time = s.Time(kind, i);
    std::string head = "#";
    head.append(std::to_string(i));
    if (!time.empty())
        head.append("  ").append(time);
    std::string value = s.NumberText(field_, valueOf_(i), decimalMark_);
    if (const std::string_view unit = s.FieldUnit(field_); !unit.empty())
        value.append(" ").append(unit);
    // Where and when, on a line of its own.
    return Latin1(head) + QStringLiteral("  ") + QString::fromStdString(value) + QLatin1Char('\n')
        + Latin1(ReceptionText(*m_, kind, i));
}

void FieldChart::FollowMouse(QMouseEvent* event)
{
    const QString text = ReadoutAt(event->position().x());
    const QPointF place = text.isEmpty() ? QPointF() : ReadoutPlace(text, event->position());
    if (text == readout_->text() && readout_->visible() == !text.isEmpty() && place == readout_->position->coords())
        return;
    readout_->setText(text);
    readout_->setVisible(!text.isEmpty());
    readout_->position->setCoords(place.x(), place.y());
    // Only the readout's own layer is drawn again, not the rows.
    readout_->layer()->replot();
}
