// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordview.h"

#include "describe/describedsatellite.h"
#include "fields/reception.h"
#include "fields/satelliterecords.h"
#include "fields/valuetext.h"
#include "ui/fittedbox.h"
#include "ui/latin1.h"

#include <QLabel>
#include <QTableWidget>

QString RecordCounterText(int value, std::int64_t count) { return QStringLiteral("#%1 / %2").arg(value).arg(count); }

void SetRecordCounter(FittedBox* counter, const QString& text)
{
    counter->SetFittedText(text);
    counter->setToolTip(text);
}

void ShowRecord(const Module1& m, Form1Controls& c, std::int64_t n, int selectedField, std::string_view decimalMark)
{
    // Without a record the boxes are blank: zeros would read as values.
    if (m.HighestRecord() == 0) {
        for (FittedBox* box : c.Text1)
            box->SetFittedText(QString());
        c.Label5->SetFittedText(QString(), QString());
        return;
    }
    std::array<double, FieldCount> values{};
    m.Table.DecodeValues(n, values);
    for (int i = 0; i < FieldCount; ++i) {
        // Value texts are ASCII but for the locale's decimal mark, which is UTF-8.
        const QString text = QString::fromUtf8(ValueText(i, values[static_cast<std::size_t>(i)], decimalMark));
        c.Text1[static_cast<std::size_t>(i)]->SetFittedText(text);
    }

    const bool second = PacketKindOfField(selectedField) == 2;
    auto timeOf = [&](std::int64_t r) { return m.Table.PacketTime(second ? 2 : 1, r); };
    QString label;
    if (m.ShowTimeSpan) {
        const std::int64_t count = m.CountForField(selectedField);
        if (count > 0)
            label = QStringLiteral("time span: ") + Latin1(timeOf(1)) + QStringLiteral(" -> ") + Latin1(timeOf(count));
    } else {
        label = Latin1(timeOf(n));
    }
    // Where and when the record shown was received, as text whatever the
    // file's name holds.
    c.Label5->SetFittedText(label, Latin1(ReceptionText(m, second ? 2 : 1, n)).toHtmlEscaped());
}

namespace {

// A field value as the "Fields" page shows it: numbers as they are, an enum
// value with its name, a byte array as hex, a string as it stands.
QString DescribedValueText(const KsyValue& v, std::string_view decimalMark)
{
    std::string text;
    AppendKsyLabel(text, v, decimalMark);
    return QString::fromUtf8(text);
}

// A float's tooltip: its exact value, where the text shown rounds it.
QString ExactFloatTip(const KsyValue& v, const QString& shown)
{
    std::string exact;
    AppendKsyJson(exact, v);
    const QString text = QString::fromStdString(exact);
    return text == shown ? QString() : text;
}

} // namespace

void ShowDescribedRecord(const Module1& m, const SatelliteRecords& satellite, RecordReader& reader, Form1Controls& c,
    std::int64_t n, std::string_view decimalMark)
{
    const bool read = reader.Read(1, n);
    for (std::size_t k = 0; k < c.FieldValues.size(); ++k) {
        const KsyValue* v = read ? &reader.Value(k) : nullptr;
        const bool has = v && v->What != KsyValue::Kind::Null && v->What != KsyValue::Kind::Object;
        const QString text = has ? DescribedValueText(*v, decimalMark) : QString();
        c.FieldValues[k]->SetFittedText(text);
        // The box lets the mouse through to the table: its item holds the
        // tooltip of a value not drawn as it stands.
        if (QTableWidgetItem* cell = c.FieldTable->item(static_cast<int>(k), 1))
            cell->setToolTip(
                has && v->What == KsyValue::Kind::Float ? ExactFloatTip(*v, text) : c.FieldValues[k]->toolTip());
        QTableWidgetItem* name = c.FieldTable->item(static_cast<int>(k), 0);
        if (name)
            name->setForeground(has ? QBrush(Qt::black) : QBrush(CaptionGrey));
    }
    QString label;
    if (m.ShowTimeSpan) {
        if (m.RecordCount > 0)
            label = QStringLiteral("time span: ") + Latin1(satellite.Time(1, 1)) + QStringLiteral(" -> ")
                + Latin1(satellite.Time(1, m.RecordCount));
    } else {
        label = Latin1(satellite.Time(1, n));
    }
    c.Label5->SetFittedText(label, Latin1(ReceptionText(m, 1, n)).toHtmlEscaped());
}
