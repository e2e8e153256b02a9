// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvfile.h"

#include "csvtexts.h"

#include "describe/describedsatellite.h"

#include "fields/fieldcatalogue.h"
#include "fields/satelliterecords.h"
#include "fields/valuetext.h"

#include <cstring>
#include <future>
#include <memory>

namespace {

constexpr std::string_view LineEnd = "\r\n";

// Record r's line of the CSV file at out: its 105 values, each followed by
// ";", and CR LF. out has room for CsvLineRoom(texts).
std::size_t CsvLineRoom(const CsvValueTexts& texts) { return FieldCount * (texts.MaxText() + 1) + LineEnd.size(); }

char* WriteCsvLine(char* out, const Module1& m, CsvValueTexts& texts, std::int64_t r)
{
    CsvValueTexts::RecordPackets packets{};
    for (const PacketKind& kind : PacketKinds)
        packets[static_cast<std::size_t>(kind.Number - 1)] = m.Table.PacketBytes(kind.Number, r).data();
    out = texts.WriteRecord(out, packets, ';');
    std::memcpy(out, LineEnd.data(), LineEnd.size());
    return out + LineEnd.size();
}

// Records first to first + count - 1 (at most last) formatted into one buffer.
class CsvBatch {
public:
    CsvBatch(std::string_view decimalMark, std::int64_t count)
        : texts_(decimalMark)
        , count_(count)
        , room_(static_cast<std::size_t>(count) * CsvLineRoom(texts_))
        , bytes_(std::make_unique_for_overwrite<char[]>(room_))
    {
    }

    std::string_view Format(const Module1& m, std::int64_t first, std::int64_t last)
    {
        char* out = bytes_.get();
        for (std::int64_t r = first; r < first + count_ && r <= last; ++r)
            out = WriteCsvLine(out, m, texts_, r);
        return {bytes_.get(), static_cast<std::size_t>(out - bytes_.get())};
    }

private:
    CsvValueTexts texts_;
    std::int64_t count_;
    std::size_t room_;
    std::unique_ptr<char[]> bytes_;
};

// The built-in beacon's, in its fixed layout of 105 fields.
void WriteBeaconCsv(TextSink& out, const Module1& m, std::string_view decimalMark, const FieldCaptions& captions)
{
    std::string buffer;
    for (const std::string& caption : captions) {
        buffer.append(caption);
        buffer.push_back(';');
    }
    buffer.append(LineEnd);
    out.Write(buffer);
    // Every record that holds a packet of either kind, so that packets of the
    // second kind beyond the count of the first are exported too; in batches,
    // every other one formatted on a second thread when there are several.
    const std::int64_t last = m.HighestRecord();
    constexpr std::int64_t Batch = 4096;
    CsvBatch one(decimalMark, Batch);
    std::unique_ptr<CsvBatch> two;
    for (std::int64_t first = 1; first <= last; first += 2 * Batch) {
        std::future<std::string_view> second;
        if (first + Batch <= last) {
            if (!two)
                two = std::make_unique<CsvBatch>(decimalMark, Batch);
            second = std::async(std::launch::async, [&, first] { return two->Format(m, first + Batch, last); });
        }
        out.Write(one.Format(m, first, last));
        if (second.valid())
            out.Write(second.get());
    }
}

// A CSV cell: as it is, or quoted where it holds the separator, a quote or a
// line end.
void AppendCsvText(std::string& out, std::string_view text)
{
    if (text.find_first_of(";\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

// A value's cell, the decimal mark in place of a float's point.
void AppendCsvCell(std::string& out, const KsyValue& v, std::string_view decimalMark)
{
    std::string text;
    AppendKsyText(text, v, decimalMark);
    AppendCsvText(out, text);
}

void WriteDescribedCsv(TextSink& out, const Module1& m, std::string_view decimalMark)
{
    const std::unique_ptr<SatelliteRecords> satellite = RecordsOf(m);
    const std::unique_ptr<RecordReader> reader = satellite->Reader();
    std::string buffer = "Record;Time;";
    for (std::size_t k = 0; k < satellite->FieldCount(); ++k) {
        AppendCsvText(buffer, satellite->FieldName(k));
        buffer.push_back(';');
    }
    buffer.append(LineEnd);
    for (std::int64_t n = 1; n <= satellite->Count(1); ++n) {
        buffer.append(std::to_string(n)).push_back(';');
        AppendCsvText(buffer, satellite->Time(1, n));
        buffer.push_back(';');
        const bool read = reader->Read(1, n);
        for (std::size_t k = 0; k < satellite->FieldCount(); ++k) {
            if (read)
                AppendCsvCell(buffer, reader->Value(k), decimalMark);
            buffer.push_back(';');
        }
        buffer.append(LineEnd);
        if (buffer.size() >= (1 << 20)) {
            out.Write(buffer);
            buffer.clear();
        }
    }
    out.Write(buffer);
}

} // namespace

FieldCaptions CatalogueCaptions()
{
    std::array<std::string, FieldCount> captions;
    for (int i = 0; i < FieldCount; ++i)
        captions[static_cast<std::size_t>(i)] = std::string(FieldCaption(i));
    return captions;
}

void WriteCsv(TextSink& out, const Module1& m, std::string_view decimalMark, const FieldCaptions* shown)
{
    if (m.Described)
        WriteDescribedCsv(out, m, decimalMark);
    else
        WriteBeaconCsv(out, m, decimalMark, shown ? *shown : CatalogueCaptions());
}
