// SPDX-License-Identifier: GPL-3.0-or-later
#include "tlmreport.h"

#include "csvfile.h"
#include "programinfo.h"

#include "describe/describedsatellite.h"

#include "fields/fieldcatalogue.h"
#include "fields/satelliterecords.h"
#include "fields/valuetext.h"

#include <algorithm>

namespace {

constexpr std::string_view LineEnd = "\r\n";

// The program's title, a rule and an empty line.
void AppendTitle(std::string& text)
{
    text.append(ProgramTitle).append(LineEnd);
    text.append(52, '=').append(LineEnd);
    text.append(LineEnd);
}

// The built-in beacon's: the fields 0 to 103 two to a line.
void WriteBeaconTlm(TextSink& out, const FieldRowTexts& rows)
{
    std::string text;
    AppendTitle(text);
    for (std::size_t i = 0; i + 1 < FieldCount; i += 2) {
        text.append(PadRight(rows.Caption[i], 20));
        text.append(PadRight(rows.Value[i], 10));
        text.append(PadRight(rows.Unit[i], 10));
        text.append(" |  ");
        text.append(PadRight(rows.Caption[i + 1], 20));
        text.append(PadRight(rows.Value[i + 1], 10));
        text.append(PadRight(rows.Unit[i + 1], 8));
        text.append(LineEnd);
    }
    out.Write(text);
}

void WriteDescribedTlm(TextSink& out, const Module1& m, std::int64_t n)
{
    const std::unique_ptr<SatelliteRecords> satellite = RecordsOf(m);
    const std::unique_ptr<RecordReader> reader = satellite->Reader();
    std::string text;
    AppendTitle(text);
    text.append(satellite->Name())
        .append(", record " + std::to_string(n) + " of " + std::to_string(satellite->Count(1)));
    if (const std::string time = satellite->Time(1, n); !time.empty())
        text.append(", " + time);
    text.append(LineEnd).append(LineEnd);
    std::size_t width = 20;
    for (std::size_t k = 0; k < satellite->FieldCount(); ++k)
        width = std::max(width, satellite->FieldName(k).size() + 2);
    const bool read = reader->Read(1, n);
    // The fields the record has: those of another packet kind or switch case
    // would only be blank lines.
    for (std::size_t k = 0; read && k < satellite->FieldCount(); ++k) {
        const KsyValue& v = reader->Value(k);
        if (v.What == KsyValue::Kind::Null || v.What == KsyValue::Kind::Object)
            continue;
        text.append(PadRight(satellite->FieldName(k), width));
        AppendKsyLabel(text, v);
        if (!satellite->FieldUnit(k).empty())
            text.append(" ").append(satellite->FieldUnit(k));
        text.append(LineEnd);
    }
    out.Write(text);
}
} // namespace

std::string PadRight(std::string_view text, std::size_t width)
{
    std::string padded(text);
    if (padded.size() < width)
        padded.append(width - padded.size(), ' ');
    return padded;
}

FieldRowTexts CatalogueRowTexts(const Module1& m, std::int64_t n, std::string_view decimalMark)
{
    FieldRowTexts rows;
    rows.Caption = CatalogueCaptions();
    std::array<double, FieldCount> values{};
    m.Table.DecodeValues(n, values);
    for (int i = 0; i < FieldCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        rows.Unit[k] = std::string(FieldUnit(i));
        rows.Value[k] = ValueText(i, values[k], decimalMark);
    }
    return rows;
}

void WriteTlm(TextSink& out, const Module1& m, std::int64_t n, std::string_view decimalMark, const FieldRowTexts* shown)
{
    if (m.Described)
        WriteDescribedTlm(out, m, n);
    else
        WriteBeaconTlm(out, shown ? *shown : CatalogueRowTexts(m, n, decimalMark));
}
