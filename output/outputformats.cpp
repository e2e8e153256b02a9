// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputformats.h"

#include "dataset/module1.h"
#include "influxlines.h"
#include "jsonlines.h"

#include <algorithm>
#include <stdexcept>

namespace {

void WriteCsvOutput(TextSink& sink, OutputRun& r) { WriteCsv(sink, r.M, r.DecimalMark, r.Captions); }

void WriteTlmOutput(TextSink& sink, OutputRun& r) { WriteTlm(sink, r.M, r.Record, r.DecimalMark, r.Rows); }

// A report of a record that does not exist would be made of zeros. The
// window's report of the built-in beacon is its boxes as they show, what
// they hold.
std::optional<std::string> RefuseTlm(const OutputRun& r)
{
    const std::int64_t highest = r.M.HighestRecord(); // a described satellite's records are all of kind 1
    if ((r.Record >= 1 && r.Record <= highest) || (r.Rows && !r.M.Described))
        return std::nullopt;
    return "record " + std::to_string(r.Record) + " does not exist: the captures hold "
        + Counted(highest, "record", "records");
}

void WriteJsonlOutput(TextSink& sink, OutputRun& r) { WriteJsonl(sink, r.M); }

void WriteInfluxOutput(TextSink& sink, OutputRun& r) { r.LeftOut = WriteInfluxLines(sink, r.M); }

constexpr OutputFormat Formats[] = {
    {Output::Csv, "--csv", "FILE", "write every record as CSV", "Write CSV File", "WriteCSVFile", ".csv", false, false,
        WriteCsvOutput, nullptr},
    {Output::Tlm, "--tlm", "FILE", "write the TLM report of one record", "Write TLM File", "WriteTLMFile", ".tlm",
        false, false, WriteTlmOutput, RefuseTlm},
    {Output::Recording, "--record", "N",
        "the record of the TLM report; default 1 (with --kiss-tcp\nor -f audio, --record FILE records the frames "
        "received as a\nKISS capture)",
        "", "", "", false, true, nullptr, nullptr},
    {Output::Dump, "--dump", "FILE", "write the frames of the dump page", "", "", "", false, false, nullptr, nullptr},
    {Output::Jsonl, "--jsonl", "FILE", "write every packet as a line of JSON, with its time and place",
        "Write JSON Lines File", "WriteJsonlFile", ".jsonl", true, false, WriteJsonlOutput, nullptr},
    {Output::Influx, "--influx", "FILE", "write the packets with a known time in InfluxDB line protocol",
        "Write InfluxDB Line Protocol File", "WriteInfluxFile", ".lp", false, false, WriteInfluxOutput, nullptr},
};

} // namespace

std::span<const OutputFormat> OutputFormats() { return Formats; }

const OutputFormat& OutputFormatOf(Output kind)
{
    const auto* format = std::ranges::find(Formats, kind, &OutputFormat::Kind);
    if (format == std::end(Formats))
        throw std::logic_error("an output without a row");
    return *format;
}

std::string Counted(std::int64_t count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}
