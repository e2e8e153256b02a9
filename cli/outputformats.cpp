// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputformats.h"

#include "dataset/module1.h"
#include "decodeoptions.h"
#include "fields/fieldcatalogue.h"
#include "output/csvfile.h"
#include "output/influxlines.h"
#include "output/jsonlines.h"
#include "output/storedlines.h"
#include "output/tlmreport.h"

namespace {

void WriteCsvOutput(TextSink& sink, OutputRun& r) { WriteCsv(sink, r.M, r.DecimalMark); }

void WriteTlmOutput(TextSink& sink, OutputRun& r) { WriteTlm(sink, r.M, r.O.Record, r.DecimalMark); }

// A report of a record that does not exist would be made of zeros.
std::optional<std::string> RefuseTlm(const OutputRun& r)
{
    const std::int64_t highest = r.M.HighestRecord(); // a described satellite's records are all of kind 1
    if (r.O.Record <= highest)
        return std::nullopt;
    const std::string& path = r.O.Outputs.at(Output::Tlm);
    return "record " + std::to_string(r.O.Record) + " does not exist: the captures hold "
        + Counted(highest, "record", "records") + "; " + (path == "-" ? "the TLM report" : path) + " was not written";
}

void WriteJsonlOutput(TextSink& sink, OutputRun& r) { WriteJsonl(sink, r.M); }

void WriteInfluxOutput(TextSink& sink, OutputRun& r) { r.LeftOut = WriteInfluxLines(sink, r.M); }

constexpr OutputFormat Formats[] = {
    {Output::Csv, "--csv", "FILE", "write every record as CSV", false, false, WriteCsvOutput, nullptr},
    {Output::Tlm, "--tlm", "FILE", "write the TLM report of one record", false, false, WriteTlmOutput, RefuseTlm},
    {Output::Recording, "--record", "N",
        "the record of the TLM report; default 1 (with --kiss-tcp\nor -f audio, --record FILE records the frames "
        "received as a\nKISS capture)",
        false, true, nullptr, nullptr},
    {Output::Dump, "--dump", "FILE", "write the frames of the dump page", false, false, nullptr, nullptr},
    {Output::Jsonl, "--jsonl", "FILE", "write every packet as a line of JSON, with its time and place", true, false,
        WriteJsonlOutput, nullptr},
    {Output::Influx, "--influx", "FILE", "write the packets with a known time in InfluxDB line protocol", false, false,
        WriteInfluxOutput, nullptr},
};

} // namespace

std::span<const OutputFormat> OutputFormats() { return Formats; }

std::string Counted(std::int64_t count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}
