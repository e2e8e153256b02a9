#include "dumpview.h"

#include "ui/latin1.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>

DumpView::DumpView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    QFont font("Courier New");
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(8.25);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(font);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void DumpView::AppendLine(std::string_view line)
{
    lines_.emplace_back(line);
    if (line.size() > longest_)
        longest_ = line.size();
}

void DumpView::Clear()
{
    lines_.clear();
    longest_ = 0;
    UpdateScrollBars();
    viewport()->update();
}

std::string DumpView::Text() const
{
    std::string text;
    for (const std::string& line : lines_) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

void DumpView::UpdateScrollBars()
{
    const QFontMetrics fm(font());
    const int visibleLines = std::max(1, viewport()->height() / fm.lineSpacing());
    const int count = static_cast<int>(std::min<std::size_t>(lines_.size(), INT32_MAX));
    verticalScrollBar()->setRange(0, std::max(0, count - visibleLines));
    verticalScrollBar()->setPageStep(visibleLines);
    const int width
        = fm.horizontalAdvance(QLatin1Char('0')) * static_cast<int>(std::min<std::size_t>(longest_, 1 << 20));
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void DumpView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void DumpView::paintEvent(QPaintEvent*)
{
    UpdateScrollBars();
    QPainter painter(viewport());
    const QFontMetrics fm(font());
    const int lineHeight = fm.lineSpacing();
    const std::size_t first = static_cast<std::size_t>(verticalScrollBar()->value());
    const int x = 2 - horizontalScrollBar()->value();
    int y = fm.ascent();
    for (std::size_t i = first; i < lines_.size() && y - fm.ascent() < viewport()->height(); ++i) {
        painter.drawText(x, y, Latin1(lines_[i]));
        y += lineHeight;
    }
}
