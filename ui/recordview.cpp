#include "recordview.h"

#include "ui/latin1.h"
#include "ui/reception.h"
#include "ui/valuetext.h"

#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

QString RecordCounterText(int value, std::int64_t count) { return QStringLiteral("#%1 / %2").arg(value).arg(count); }

namespace {

// The room for text inside a line edit.
int TextRoom(const QLineEdit* box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    return contents.width() - margins.left() - margins.right() - 4;
}

bool Fits(const QLineEdit* box, const QString& text, const QFont& font)
{
    return QFontMetrics(font).horizontalAdvance(text) <= TextRoom(box);
}

} // namespace

void SetRecordCounter(QLineEdit* counter, const QString& text)
{
    QFont font = counter->parentWidget() ? counter->parentWidget()->font() : counter->font();
    while (font.pointSizeF() > 5 && !Fits(counter, text, font))
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (counter->font() != font)
        counter->setFont(font);
    counter->setText(text);
    counter->setCursorPosition(0);
    counter->setToolTip(text);
}

void ShowRecord(const Module1& m, Form1Controls& c, std::int64_t n, std::string_view decimalMark)
{
    std::array<double, FieldCount> values{};
    m.Table.DecodeValues(n, values);
    for (int i = 0; i < FieldCount; ++i) {
        // Value texts are ASCII but for the locale's decimal mark, which is UTF-8.
        const QString text = QString::fromUtf8(ValueText(i, values[static_cast<std::size_t>(i)], decimalMark));
        QLineEdit* box = c.Text1[static_cast<std::size_t>(i)];
        if (box->text() != text) {
            box->setText(text);
            box->setCursorPosition(0); // a text wider than its box shows its beginning
            // A text that does not fit shows whole in the tooltip.
            box->setToolTip(Fits(box, text, box->font()) ? QString() : text);
        }
    }

    const bool second = PacketKindOfField(m.SelectedField) == 2;
    auto timeOf = [&](std::int64_t r) { return m.Table.PacketTime(second ? 2 : 1, r); };
    QString label;
    if (m.ShowTimeSpan) {
        const std::int64_t count = m.CountForField(m.SelectedField);
        if (count > 0)
            label = QStringLiteral("time span: ") + Latin1(timeOf(1)) + QStringLiteral(" -> ") + Latin1(timeOf(count));
    } else {
        label = Latin1(timeOf(n));
    }
    c.Label5->setText(label);
    // Where and when the record shown was received, as text whatever the
    // file's name holds.
    const std::string reception = ReceptionText(m, second ? 2 : 1, n);
    c.Label5->setToolTip(reception.empty()
            ? QString()
            : QStringLiteral("<qt>") + Latin1(reception).toHtmlEscaped() + QStringLiteral("</qt>"));
}
