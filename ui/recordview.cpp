#include "recordview.h"

#include "ui/fittedbox.h"
#include "ui/latin1.h"
#include "ui/reception.h"
#include "ui/valuetext.h"

#include <QLabel>

QString RecordCounterText(int value, std::int64_t count) { return QStringLiteral("#%1 / %2").arg(value).arg(count); }

void SetRecordCounter(FittedBox* counter, const QString& text)
{
    counter->SetFittedText(text);
    counter->setToolTip(text);
}

void ShowRecord(const Module1& m, Form1Controls& c, std::int64_t n, std::string_view decimalMark)
{
    std::array<double, FieldCount> values{};
    m.Table.DecodeValues(n, values);
    for (int i = 0; i < FieldCount; ++i) {
        // Value texts are ASCII but for the locale's decimal mark, which is UTF-8.
        const QString text = QString::fromUtf8(ValueText(i, values[static_cast<std::size_t>(i)], decimalMark));
        c.Text1[static_cast<std::size_t>(i)]->SetFittedText(text);
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
