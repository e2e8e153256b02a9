#include "fieldchart.h"

#include "ui/chartrows.h"
#include "ui/fieldcatalogue.h"
#include "ui/latin1.h"
#include "ui/reception.h"
#include "ui/valuetext.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Bars that stay fast when there are more rows than pixels: once rows are
// narrower than two pixels, every pixel column is drawn once, from the base
// to the highest and to the lowest value of the rows that fall into it, in
// the colour of the bars' outline, which is all a narrow bar shows. Wider
// bars are drawn one by one as usual.
class RowBars : public QCPBars {
public:
    using QCPBars::QCPBars;

protected:
    void draw(QCPPainter* painter) override
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
};

} // namespace

FieldChart::FieldChart(QCustomPlot* plot, std::string decimalMark)
    : plot_(plot)
    , decimalMark_(std::move(decimalMark))
    , readout_(new QCPItemText(plot))
    , marker_(new QCPItemStraightLine(plot))
    , bars_(new RowBars(plot->xAxis, plot->yAxis))
    , line_(plot->addGraph())
    , ticker_(new QCPAxisTickerText)
{
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
    QObject::connect(plot_, &QCustomPlot::mouseDoubleClick, plot_, [this](QMouseEvent*) { ResetView(); });
    QObject::connect(plot_, &QCustomPlot::mousePress, plot_, [this](QMouseEvent* e) { pressedAt_ = e->position(); });
    QObject::connect(plot_, &QCustomPlot::mouseRelease, plot_, [this](QMouseEvent* e) { ClickRow(e); });
    // The chart takes the focus when clicked, and the tab key reaches it.
    plot_->setFocusPolicy(Qt::StrongFocus);

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

    // The last row label ends before the "B" box at the bottom right.
    plot_->axisRect()->setAutoMargins(QCP::msLeft | QCP::msTop | QCP::msBottom);
    plot_->axisRect()->setMargins(QMargins(0, 0, 44, 0));
}

void FieldChart::ShowMarker(std::int64_t n)
{
    const bool shown = n >= 1 && n <= rows_;
    marker_->setVisible(shown);
    if (shown) {
        marker_->point1->setCoords(static_cast<double>(n), 0);
        marker_->point2->setCoords(static_cast<double>(n), 1);
    }
    marker_->layer()->replot();
}

void FieldChart::ClickRow(QMouseEvent* event)
{
    // A drag pans the rows; only a click without a move chooses a record.
    if (event->button() != Qt::LeftButton || (event->position() - pressedAt_).manhattanLength() > 3)
        return;
    const auto i = static_cast<std::int64_t>(std::llround(plot_->xAxis->pixelToCoord(event->position().x())));
    if (i >= 1 && i <= rows_ && plot_->axisRect()->rect().contains(event->position().toPoint()) && OnRowClicked)
        OnRowClicked(i);
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
    const double pointY = std::clamp(
        plot_->yAxis->coordToPixel(
            m_ ? m_->Table.Record(static_cast<std::int64_t>(row)).Values[static_cast<std::size_t>(field_)] : 0.0),
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

QImage FieldChart::PictureWithTitle()
{
    const bool readout = readout_->visible();
    readout_->setVisible(false);
    std::string title(FieldCaption(field_));
    if (const std::string_view unit = FieldUnit(field_); !unit.empty())
        title += " (" + std::string(unit) + ")";
    auto* caption = new QCPTextElement(plot_, Latin1(title), QFont(plot_->font().family(), 11, QFont::Bold));
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, caption);
    plot_->replot(QCustomPlot::rpImmediateRefresh);
    const QImage picture = plot_->toPixmap().toImage();
    plot_->plotLayout()->remove(caption);
    plot_->plotLayout()->simplify();
    readout_->setVisible(readout);
    plot_->replot();
    return picture;
}

void FieldChart::ResetView()
{
    plot_->xAxis->setRange(fullKeys_);
    plot_->yAxis->setRange(fullValues_);
    plot_->replot();
}

QString FieldChart::ReadoutAt(double x) const
{
    if (!m_)
        return {};
    const std::int64_t n = m_->CountForField(field_);
    const double key = plot_->xAxis->pixelToCoord(x);
    const auto i = static_cast<std::int64_t>(std::llround(key));
    if (n == 0 || i < 1 || i > n)
        return {};
    const bool second = PacketKindOfField(field_) == 2;
    const std::string_view time = second ? m_->Table.Packet2Time(i) : m_->Table.Packet1Time(i);
    std::string text = "#" + std::to_string(i);
    if (!time.empty())
        text += "  " + std::string(time);
    text += "  " + ValueText(field_, m_->Table.Record(i).Values[static_cast<std::size_t>(field_)], decimalMark_);
    if (const std::string_view unit = FieldUnit(field_); !unit.empty())
        text += " " + std::string(unit);
    // Where and when, on a line of its own.
    text += "\n" + ReceptionText(*m_, second ? 2 : 1, i);
    return Latin1(text);
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

void FieldChart::Draw(const Module1& m, int field, bool bars)
{
    bars_->setVisible(bars);
    line_->setVisible(!bars);
    bars_->setPen(QPen(QColor(30, 60, 140), BarPenWidth));
    line_->setPen(QPen(QColor(60, 100, 190), LinePenWidth));

    const std::int64_t n = m.CountForField(field);
    const bool second = PacketKindOfField(field) == 2;
    m_ = &m;
    field_ = field;
    readout_->setVisible(false);
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
        ticker_->addTick(static_cast<double>(i), Latin1(label));
    }

    // Many labels stand on end so that they do not run into each other.
    plot_->xAxis->setTickLabelRotation(ticker_->ticks().size() > 12 ? -90 : 0);
    // Bars stand on 0; a line spans the values it shows, with a small margin,
    // so that a battery voltage between 7,800 and 8,050 mV is no flat line.
    if (!bars && n > 0) {
        low = *std::min_element(values.begin(), values.end());
        high = *std::max_element(values.begin(), values.end());
    }
    if (high == low)
        high = low + (bars ? 1.0 : std::max(1.0, std::abs(low) * 0.05));
    const double margin = (high - low) * 0.05;
    fullKeys_ = QCPRange(0.5, static_cast<double>(std::max<std::int64_t>(n, 1)) + 0.5);
    fullValues_ = bars ? QCPRange(low < 0 ? low - margin : 0, high + margin) : QCPRange(low - margin, high + margin);
    ResetView();
}
