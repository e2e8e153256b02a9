#include "recordview.h"

#include "ui/latin1.h"
#include "ui/reception.h"
#include "ui/valuetext.h"

#include <QLabel>
#include <QLineEdit>

QString RecordCounterText(int value, std::int64_t count) { return QStringLiteral("#%1 / %2").arg(value).arg(count); }

void ShowRecord(const Module1& m, Form1Controls& c, std::int64_t n, std::string_view decimalMark)
{
    const TelemetryRecord& record = m.Table.Record(n);
    for (int i = 0; i < FieldCount; ++i) {
        const QString text = Latin1(ValueText(i, record.Values[static_cast<std::size_t>(i)], decimalMark));
        QLineEdit* box = c.Text1[static_cast<std::size_t>(i)];
        if (box->text() != text) {
            box->setText(text);
            box->setCursorPosition(0); // a text wider than its box shows its beginning
        }
    }

    const bool second = PacketKindOfField(m.SelectedField) == 2;
    auto timeOf = [&](std::int64_t r) { return second ? m.Table.Packet2Time(r) : m.Table.Packet1Time(r); };
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
