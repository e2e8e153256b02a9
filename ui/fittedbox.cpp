// SPDX-License-Identifier: GPL-3.0-or-later
#include "fittedbox.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

// QLineEdit keeps this many pixels free on each side of its text.
constexpr int LineEditMargin = 2;

// The letter spacings tried at each size, in per cent.
constexpr double Spacings[] = {100, 90, 82};

} // namespace

QFont FittingFont(const QFont& font, const QString& text, int room, double minimumPoints, bool& fits)
{
    auto width = [&](const QFont& f) { return QFontMetrics(f).horizontalAdvance(text); };
    QFont drawn = font;
    fits = width(drawn) <= room;
    for (double points = font.pointSizeF(); !fits && points >= minimumPoints - 0.01; points -= 0.5) {
        for (const double spacing : Spacings) {
            drawn.setPointSizeF(points);
            drawn.setLetterSpacing(QFont::PercentageSpacing, spacing);
            if ((fits = width(drawn) <= room))
                break;
        }
    }
    return drawn;
}

FittedBox::FittedBox(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this] { Fit(); });
}

int FittedBox::TextRoom() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    return contents.width() - margins.left() - margins.right() - 2 * LineEditMargin;
}

void FittedBox::SetFittedText(const QString& text)
{
    if (text == this->text())
        return;
    setText(text);        // fitted as it changes
    setCursorPosition(0); // a text wider than its box starts at its beginning
}

void FittedBox::Fit()
{
    const QString whole = text();
    const int room = TextRoom();
    fitted_ = false;
    elided_ = false;
    secondLine_.clear();
    drawn_ = font();
    if (QFontMetrics(drawn_).horizontalAdvance(whole) > room) {
        fitted_ = true;
        bool fits = false;
        drawn_ = FittingFont(font(), whole, room, MinimumPoints, fits);
        elided_ = !fits && !(twoLinesAllowed_ && FitOnTwoLines(whole, room));
        if (secondLine_.isEmpty())
            shown_ = elided_ ? QFontMetrics(drawn_).elidedText(whole, Qt::ElideRight, room) : whole;
    }
    setToolTip(fitted_ ? whole : QString());
    update();
}

bool FittedBox::FitOnTwoLines(const QString& whole, int room)
{
    // Split at the blank that leaves the longer line shortest.
    int split = -1;
    for (int at = whole.indexOf(QLatin1Char(' ')); at >= 0; at = whole.indexOf(QLatin1Char(' '), at + 1))
        if (split < 0 || std::max(at, int(whole.size()) - at) < std::max(split, int(whole.size()) - split))
            split = at;
    if (split < 0)
        return false;
    const QString first = whole.left(split);
    const QString second = whole.mid(split + 1);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int height = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).height();
    QFont font = this->font();
    for (double points = font.pointSizeF(); points >= MinimumPoints - 0.01; points -= 0.5) {
        for (const double spacing : Spacings) {
            font.setPointSizeF(points);
            font.setLetterSpacing(QFont::PercentageSpacing, spacing);
            const QFontMetrics metrics(font);
            // Digits and signs need the cap height, with a pixel between the lines.
            const bool fits = std::max(metrics.horizontalAdvance(first), metrics.horizontalAdvance(second)) <= room
                && 2 * metrics.capHeight() + 1 <= height;
            if (fits) {
                drawn_ = font;
                shown_ = first;
                secondLine_ = second;
                return true;
            }
        }
    }
    return false;
}

void FittedBox::paintEvent(QPaintEvent* event)
{
    if (!fitted_) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    contents = contents.marginsRemoved(textMargins()).adjusted(LineEditMargin, 0, -LineEditMargin, 0);
    painter.setFont(drawn_);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    if (secondLine_.isEmpty()) {
        painter.drawText(contents, Qt::AlignLeft | Qt::AlignVCenter, shown_);
        return;
    }
    const int cap = QFontMetrics(drawn_).capHeight();
    const int top = contents.top() + (contents.height() - 2 * cap - 1) / 2;
    painter.drawText(QPoint(contents.left(), top + cap), shown_);
    painter.drawText(QPoint(contents.left(), top + 2 * cap + 1), secondLine_);
}

void FittedBox::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    Fit();
}

void FittedBox::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        Fit();
}

FittedLabel::FittedLabel(QWidget* parent)
    : QLabel(parent)
{
    // A time text is a capture's: shown as text, never as markup.
    setTextFormat(Qt::PlainText);
}

void FittedLabel::SetFittedText(const QString& text, const QString& note)
{
    note_ = note;
    setText(text);
    Fit();
}

void FittedLabel::Fit()
{
    const QString whole = text();
    const int room = contentsRect().width();
    bool fits = QFontMetrics(font()).horizontalAdvance(whole) <= room;
    fitted_ = !fits;
    drawn_ = fits ? font() : FittingFont(font(), whole, room, FittedBox::MinimumPoints, fits);
    elided_ = !fits;
    shown_ = elided_ ? QFontMetrics(drawn_).elidedText(whole, Qt::ElideRight, room) : whole;
    QString tip = note_;
    if (elided_)
        tip = whole.toHtmlEscaped() + (note_.isEmpty() ? QString() : QStringLiteral("<br>") + note_);
    setToolTip(tip.isEmpty() ? QString() : QStringLiteral("<qt>") + tip + QStringLiteral("</qt>"));
    update();
}

void FittedLabel::paintEvent(QPaintEvent* event)
{
    if (!fitted_) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(drawn_);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(contentsRect(), static_cast<int>(alignment()), shown_);
}

void FittedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}
