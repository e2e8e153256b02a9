// SPDX-License-Identifier: GPL-3.0-or-later
#include "dumpview.h"

#include "ui/latin1.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
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
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
}

void DumpView::AppendLine(std::string_view line)
{
    entries_.push_back(texts_.size());
    texts_.Append(line);
    longest_ = std::max(longest_, line.size());
}

bool DumpView::AppendFrame(std::uint32_t file, std::uint64_t offset, std::size_t bytes)
{
    if (!frameLine_ || offset >> OffsetBits != 0 || file >= (std::uint32_t{1} << (63 - OffsetBits)))
        return false;
    entries_.push_back(FrameBit | std::uint64_t{file} << OffsetBits | offset);
    longest_ = std::max(longest_, 3 * bytes);
    return true;
}

std::string DumpView::Line(std::size_t i) const
{
    const std::uint64_t entry = entries_[i];
    if (!(entry & FrameBit))
        return std::string(texts_[entry]);
    const auto file = static_cast<std::uint32_t>((entry & ~FrameBit) >> OffsetBits);
    return frameLine_(file, entry & ((std::uint64_t{1} << OffsetBits) - 1));
}

void DumpView::Clear()
{
    entries_.clear();
    entries_.shrink_to_fit(); // a million lines' room given back
    texts_.Clear();
    longest_ = 0;
    anchor_ = cursor_ = Place{};
    UpdateScrollBars();
    viewport()->update();
}

std::string DumpView::Text() const
{
    std::string text;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        text.append(Line(i));
        text.append("\r\n");
    }
    return text;
}

void DumpView::UpdateScrollBars()
{
    const QFontMetrics fm(font());
    const int visibleLines = std::max(1, viewport()->height() / fm.lineSpacing());
    const int count = static_cast<int>(std::min<std::size_t>(entries_.size(), INT32_MAX));
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
    const int charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    const std::size_t first = static_cast<std::size_t>(verticalScrollBar()->value());
    const int x = 2 - horizontalScrollBar()->value();
    const auto [from, to] = std::minmax(anchor_, cursor_);
    int y = fm.ascent();
    for (std::size_t i = first; i < entries_.size() && y - fm.ascent() < viewport()->height(); ++i) {
        const std::string line = Line(i);
        // The selected part of the line, as a highlight behind its characters.
        if (from != to && i >= from.Line && i <= to.Line) {
            const std::size_t begin = i == from.Line ? std::min(from.Column, line.size()) : 0;
            const std::size_t end = i == to.Line ? std::min(to.Column, line.size()) : line.size() + 1;
            painter.fillRect(x + static_cast<int>(begin) * charWidth, y - fm.ascent(),
                static_cast<int>(end - begin) * charWidth, lineHeight, palette().highlight());
        }
        painter.drawText(x, y, Latin1(line));
        y += lineHeight;
    }
}

DumpView::Place DumpView::PlaceAt(QPoint point) const
{
    if (entries_.empty())
        return {};
    const QFontMetrics fm(font());
    const int row = std::max(0, point.y()) / fm.lineSpacing();
    const std::size_t line
        = std::min(static_cast<std::size_t>(verticalScrollBar()->value() + row), entries_.size() - 1);
    const int charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    const int column = (point.x() - 2 + horizontalScrollBar()->value() + charWidth / 2) / charWidth;
    return {line, std::min(static_cast<std::size_t>(std::max(0, column)), LineLength(line))};
}

void DumpView::MoveCursor(Place to, bool extend)
{
    cursor_ = to;
    if (!extend)
        anchor_ = to;
    ShowCursor();
    viewport()->update();
}

void DumpView::ShowCursor()
{
    const QFontMetrics fm(font());
    const int visibleLines = std::max(1, viewport()->height() / fm.lineSpacing());
    const int line = static_cast<int>(std::min<std::size_t>(cursor_.Line, INT32_MAX));
    QScrollBar* bar = verticalScrollBar();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + visibleLines)
        bar->setValue(line - visibleLines + 1);
}

void DumpView::SelectAll()
{
    if (entries_.empty())
        return;
    anchor_ = {};
    cursor_ = {entries_.size() - 1, LineLength(entries_.size() - 1)};
    viewport()->update();
}

QString DumpView::SelectedText() const
{
    const auto [from, to] = std::minmax(anchor_, cursor_);
    if (from == to || entries_.empty())
        return {};
    std::string text;
    for (std::size_t i = from.Line; i <= to.Line && i < entries_.size(); ++i) {
        const std::string made = Line(i);
        const std::string_view line = made;
        const std::size_t begin = i == from.Line ? std::min(from.Column, line.size()) : 0;
        const std::size_t end = i == to.Line ? std::min(to.Column, line.size()) : line.size();
        text.append(line.substr(begin, end - begin));
        if (i < to.Line)
            text.push_back('\n');
    }
    return Latin1(text);
}

void DumpView::CopySelection() const
{
    if (const QString text = SelectedText(); !text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void DumpView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        MoveCursor(PlaceAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    QAbstractScrollArea::mousePressEvent(event);
}

void DumpView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        MoveCursor(PlaceAt(event->position().toPoint()), true);
}

void DumpView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    if (entries_.empty())
        return QAbstractScrollArea::keyPressEvent(event);
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const std::size_t page
        = static_cast<std::size_t>(std::max(1, viewport()->height() / QFontMetrics(font()).lineSpacing()));
    const std::size_t last = entries_.size() - 1;
    Place to = cursor_;
    switch (event->key()) {
    case Qt::Key_Left:
        if (to.Column > 0)
            --to.Column;
        else if (to.Line > 0)
            to = {to.Line - 1, LineLength(to.Line - 1)};
        break;
    case Qt::Key_Right:
        if (to.Column < LineLength(to.Line))
            ++to.Column;
        else if (to.Line < last)
            to = {to.Line + 1, 0};
        break;
    case Qt::Key_Up: to.Line = to.Line > 0 ? to.Line - 1 : 0; break;
    case Qt::Key_Down: to.Line = std::min(to.Line + 1, last); break;
    case Qt::Key_PageUp: to.Line = to.Line > page ? to.Line - page : 0; break;
    case Qt::Key_PageDown: to.Line = std::min(to.Line + page, last); break;
    case Qt::Key_Home: to.Column = 0; break;
    case Qt::Key_End: to.Column = LineLength(to.Line); break;
    default: return QAbstractScrollArea::keyPressEvent(event);
    }
    to.Column = std::min(to.Column, LineLength(to.Line));
    MoveCursor(to, extend);
}

void DumpView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("Copy"), this, &DumpView::CopySelection);
    copy->setEnabled(!SelectedText().isEmpty());
    menu.addAction(QStringLiteral("Select All"), this, &DumpView::SelectAll);
    menu.exec(event->globalPos());
}
