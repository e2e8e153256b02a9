#include "decodecommand.h"

#include "input/capturereaders.h"
#include "input/detect.h"
#include "output/reportwriters.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <optional>

namespace {

constexpr std::string_view Version = "norvane-decode " NORVANE_VERSION "\n";

constexpr std::string_view Usage
    = "Usage: norvane-decode [-f auto|kiss|log|serverlog|text] [-s 1|2] [--csv FILE] [--tlm FILE [--record N]]\n"
      "                      [--dump FILE] [--summary] [-q] CAPTURE...\n"
      "\n"
      "Decodes the housekeeping telemetry of QB50p1 or QB50p2 from capture files. The captures\n"
      "are read in the given order into one data set.\n"
      "\n"
      "  -f, --format KIND     kind of the captures: kiss, log, serverlog or text; auto (the\n"
      "                        default) tells each file's kind from its first 64 KiB\n"
      "  -s, --satellite SAT   1 or 2 (or QB50p1, QB50p2); default 1\n"
      "      --csv FILE        write every record as CSV\n"
      "      --tlm FILE        write the TLM report of one record\n"
      "      --record N        the record of the TLM report; default 1\n"
      "      --dump FILE       write the frames of the dump page\n"
      "      --summary         tell on standard error what each file gave and what was\n"
      "                        dropped, one line per file, then the totals\n"
      "  -q, --quiet           no summary line on standard error\n"
      "  -h, --help            show this help\n"
      "      --version         show the version\n"
      "\n"
      "FILE may be - for standard output. Without --csv, --tlm and --dump the CSV goes to\n"
      "standard output.\n";

struct Options {
    std::optional<CaptureKind> Kind; // empty: each file's own, detected
    bool Summary = false;
    int Satellite = 1;
    std::optional<std::string> Csv, Tlm, Dump;
    std::int64_t Record = 1;
    bool RecordGiven = false;
    bool Quiet = false;
    bool Help = false;
    bool ShowVersion = false;
    std::vector<std::string> Captures;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<int> ParseSatellite(const std::string& text)
{
    const std::string sat = Lower(text);
    if (sat == "1" || sat == "qb50p1")
        return 1;
    if (sat == "2" || sat == "qb50p2")
        return 2;
    return std::nullopt;
}

// Parses args into options; returns an error text for a usage error.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, Options& o)
{
    bool onlyCaptures = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyCaptures || a == "-" || a.empty() || a[0] != '-') {
            o.Captures.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyCaptures = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        auto needValue = [&](std::optional<std::string>& target) -> std::optional<std::string> {
            target = value();
            if (!target)
                return "option " + name + " needs a value";
            return std::nullopt;
        };
        std::optional<std::string> text;
        if (name == "-h" || name == "--help") {
            o.Help = true;
        } else if (name == "--version") {
            o.ShowVersion = true;
        } else if (name == "--summary") {
            o.Summary = true;
        } else if (name == "-q" || name == "--quiet") {
            o.Quiet = true;
        } else if (name == "-f" || name == "--format") {
            if (auto e = needValue(text))
                return e;
            const std::string name = Lower(*text);
            o.Kind = CaptureKindFromName(name);
            if (!o.Kind && name != "auto")
                return "unknown capture kind '" + *text + "' (auto, kiss, log, serverlog or text)";
        } else if (name == "-s" || name == "--satellite") {
            if (auto e = needValue(text))
                return e;
            const auto sat = ParseSatellite(*text);
            if (!sat)
                return "unknown satellite '" + *text + "' (1, 2, QB50p1 or QB50p2)";
            o.Satellite = *sat;
        } else if (name == "--csv") {
            if (auto e = needValue(o.Csv))
                return e;
        } else if (name == "--tlm") {
            if (auto e = needValue(o.Tlm))
                return e;
        } else if (name == "--dump") {
            if (auto e = needValue(o.Dump))
                return e;
        } else if (name == "--record") {
            if (auto e = needValue(text))
                return e;
            std::int64_t n = 0;
            const auto res = std::from_chars(text->data(), text->data() + text->size(), n);
            if (res.ec != std::errc() || res.ptr != text->data() + text->size() || n < 1)
                return "--record needs a record number of 1 or more, not '" + *text + "'";
            o.Record = n;
            o.RecordGiven = true;
        } else {
            return "unknown option " + a;
        }
    }
    if (o.Help || o.ShowVersion)
        return std::nullopt;
    if (o.Captures.empty())
        return "no capture file given";
    if (o.RecordGiven && !o.Tlm)
        return "--record goes with --tlm";
    return std::nullopt;
}

// The dump page of the command line: the lines go straight into the dump file,
// or into memory when they go to standard output at the end. A server log
// starts a new dump page, which empties what was written.
class DumpHost : public ReaderHost {
public:
    DumpHost(AtomicFile* file, std::string* memory, TextSink* progress)
        : file_(file)
        , memory_(memory)
        , progress_(progress)
    {
    }

    void BeginFile(std::string_view path, std::size_t index, std::size_t count) override
    {
        path_ = path;
        index_ = index;
        count_ = count;
    }

    // A line on the terminal for files of a few megabytes and more, redrawn
    // at most five times a second.
    void ShowReadProgress(std::uint64_t bytesRead, std::uint64_t fileSize) override
    {
        if (!progress_ || fileSize < (4u << 20))
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastProgress_ < std::chrono::milliseconds(200))
            return;
        lastProgress_ = now;
        const auto percent = static_cast<int>(100 * std::min(bytesRead, fileSize) / fileSize);
        progress_->Write("\rreading " + path_ + " (file " + std::to_string(index_ + 1) + " of " + std::to_string(count_)
            + "): " + std::to_string(percent) + "%\x1b[K");
        progressShown_ = true;
    }

    // Clears the progress line before anything else is written.
    void EndProgress()
    {
        if (progressShown_)
            progress_->Write("\r\x1b[K");
        progressShown_ = false;
    }

    void AppendDumpLine(std::string_view line) override
    {
        if (!file_ && !memory_)
            return;
        buffer_.append(line);
        buffer_.append("\r\n");
        if (buffer_.size() >= (1 << 20))
            Flush();
    }

    void ClearDump() override
    {
        buffer_.clear();
        if (file_)
            file_->Truncate();
        if (memory_)
            memory_->clear();
    }

    void Flush()
    {
        if (file_)
            file_->Write(buffer_);
        if (memory_)
            memory_->append(buffer_);
        buffer_.clear();
    }

private:
    AtomicFile* file_;
    std::string* memory_;
    TextSink* progress_;
    std::string buffer_;
    std::string path_;
    std::size_t index_ = 0;
    std::size_t count_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
    bool progressShown_ = false;
};

} // namespace

int RunDecodeCommand(
    const std::vector<std::string>& args, TextSink& out, TextSink& err, const std::string& decimalMark, bool progress)
{
    Options o;
    if (const auto error = ParseArguments(args, o)) {
        err.Write("norvane-decode: " + *error + "\n\n");
        err.Write(Usage);
        return ExitUsage;
    }
    if (o.Help) {
        out.Write(Usage);
        return ExitOk;
    }
    if (o.ShowVersion) {
        out.Write(Version);
        return ExitOk;
    }
    if (!o.Csv && !o.Tlm && !o.Dump)
        o.Csv = "-";

    int exitCode = ExitOk;
    auto report = [&](const std::string& message) {
        err.Write("norvane-decode: " + message + "\n");
        exitCode = ExitFailure;
    };

    // The dump file is opened before reading, so that its lines need not be
    // held in memory.
    std::unique_ptr<AtomicFile> dumpFile;
    std::string dumpText;
    const bool dumpToOut = o.Dump && *o.Dump == "-";
    if (o.Dump && !dumpToOut) {
        dumpFile = std::make_unique<AtomicFile>(*o.Dump);
        if (!dumpFile->Open()) {
            report(dumpFile->Error());
            dumpFile.reset();
        }
    }

    Module1 m;
    m.SatelliteNumber = o.Satellite;
    DumpHost host(dumpFile.get(), dumpToOut ? &dumpText : nullptr, progress && !o.Quiet ? &err : nullptr);
    BeginDataSet(m);
    const std::vector<ReadResult> failures = ReadSelection(o.Kind, m, host, o.Captures);
    host.EndProgress();
    for (const ReadResult& failure : failures)
        report(failure.Message);
    host.Flush();
    if (o.Summary) {
        ImportSummary total;
        for (const ImportSummary& file : m.Imports) {
            err.Write(SummaryLine(file) + "\n");
            total.Add(file);
        }
        if (m.Imports.size() > 1) {
            total.File = "total of " + std::to_string(m.Imports.size()) + " files";
            err.Write(SummaryLine(total) + "\n");
        }
    }

    auto writeTo = [&](const std::string& path, const std::function<void(TextSink&)>& write) {
        if (path == "-") {
            write(out);
            return;
        }
        const WriteResult result = WriteOutputFile(path, write);
        if (!result.Ok)
            report(result.Message);
    };
    if (o.Csv) {
        const auto captions = CatalogueCaptions();
        writeTo(*o.Csv, [&](TextSink& sink) { WriteCsv(sink, m, captions, decimalMark); });
    }
    if (o.Tlm) {
        const std::int64_t highest = m.HighestRecord();
        if (o.Record > 1 && o.Record > highest) {
            report("record " + std::to_string(o.Record) + " does not exist: the captures hold "
                + std::to_string(highest) + " records; " + *o.Tlm + " was not written");
        } else {
            const FieldRowTexts rows = CatalogueRowTexts(m, o.Record, decimalMark);
            writeTo(*o.Tlm, [&](TextSink& sink) { WriteTlm(sink, rows); });
        }
    }
    if (dumpFile && !dumpFile->Commit())
        report(dumpFile->Error());
    if (dumpToOut)
        out.Write(dumpText);

    if (!o.Quiet) {
        const std::size_t read = o.Captures.size() - failures.size();
        std::string summary = std::to_string(m.RecordCount) + " records of packet kind 1, "
            + std::to_string(m.Packet2Count) + " of packet kind 2, from " + std::to_string(read)
            + (read == 1 ? " file" : " files");
        if (!failures.empty())
            summary += " (" + std::to_string(failures.size()) + " not read)";
        err.Write(summary + "\n");
    }
    return exitCode;
}
