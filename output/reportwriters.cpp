#include "reportwriters.h"

#include "programinfo.h"

#include "ui/fieldcatalogue.h"
#include "ui/numberformat.h"
#include "ui/valuetext.h"

namespace {

constexpr std::string_view LineEnd = "\r\n";
constexpr std::size_t FlushSize = 1 << 20;

} // namespace

void WriteCsv(
    TextSink& out, const Module1& m, const std::array<std::string, FieldCount>& captions, std::string_view decimalMark)
{
    std::string buffer;
    buffer.reserve(FlushSize + 4096);
    for (const std::string& caption : captions) {
        buffer.append(caption);
        buffer.push_back(';');
    }
    buffer.append(LineEnd);
    // Every record that holds a packet of either kind, so that packets of the
    // second kind beyond the count of the first are exported too.
    const std::int64_t last = m.HighestRecord();
    std::array<double, FieldCount> values{};
    for (std::int64_t r = 1; r <= last; ++r) {
        m.Table.DecodeValues(r, values);
        for (const double value : values) {
            AppendFixed2(buffer, value, decimalMark);
            buffer.push_back(';');
        }
        buffer.append(LineEnd);
        if (buffer.size() >= FlushSize) {
            out.Write(buffer);
            buffer.clear();
        }
    }
    out.Write(buffer);
}

std::string PadRight(std::string_view text, std::size_t width)
{
    std::string padded(text);
    if (padded.size() < width)
        padded.append(width - padded.size(), ' ');
    return padded;
}

void WriteTlm(TextSink& out, const FieldRowTexts& rows)
{
    std::string text;
    text.append(ProgramTitle).append(LineEnd);
    text.append(52, '=').append(LineEnd);
    text.append(LineEnd);
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

std::array<std::string, FieldCount> CatalogueCaptions()
{
    std::array<std::string, FieldCount> captions;
    for (int i = 0; i < FieldCount; ++i)
        captions[static_cast<std::size_t>(i)] = std::string(FieldCaption(i));
    return captions;
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
