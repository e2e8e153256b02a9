// SPDX-License-Identifier: GPL-3.0-or-later
#include "decodecommand.h"

#include "dataset/merge.h"
#include "decodeoptions.h"
#include "describe/describedsatellite.h"
#include "describe/ksyinterpreter.h"
#include "dumphost.h"
#include "input/capturereaders.h"
#include "librarycommands.h"
#include "livereception.h"
#include "output/outputformats.h"
#include "output/outputguard.h"
#include "outputwriting.h"
#include "programinfo.h"
#include "stopsignals.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <random>

namespace {

// With --summary: a line per file, then the totals of several files, then
// the passes.
void WriteImportSummary(TextSink& err, const Module1& m)
{
    const std::vector<ImportSummary>& imports = m.Imports;
    ImportSummary total;
    for (const ImportSummary& file : imports) {
        err.Write(SummaryLine(file) + "\n");
        total.Add(file);
    }
    if (imports.size() > 1) {
        total.File = "total of " + std::to_string(imports.size()) + " files";
        err.Write(SummaryLine(total) + "\n");
    }
    const std::vector<Pass> passes = FindPasses(m);
    for (std::size_t i = 0; i < passes.size(); ++i)
        err.Write("pass " + std::to_string(i + 1) + ": " + PassLine(m, passes[i]) + "\n");
}

// Unless -q: both record counts and the number of files read.
void WriteClosingLine(
    TextSink& err, const Module1& m, std::size_t captures, std::size_t failures, std::int64_t leftOutOfInflux)
{
    const std::size_t read = captures - failures;
    std::string line = Counted(m.RecordCount, "record", "records");
    if (m.Described) {
        line += " of " + m.Described->Id();
    } else {
        // "N records of packet kind 1, M of packet kind 2"
        for (const PacketKind& kind : PacketKinds)
            line += (kind.Number == 1 ? "" : ", " + std::to_string(m.Count(kind.Number))) + " of packet kind "
                + std::to_string(kind.Number);
    }
    line += ", from " + Counted(read, "file", "files");
    if (failures > 0)
        line += " (" + std::to_string(failures) + " not read)";
    if (leftOutOfInflux > 0)
        line += "; " + Counted(leftOutOfInflux, "packet", "packets") + " without a time left out of the line protocol";
    err.Write(line + "\n");
}

// The captures the run reads, standard input as the file behind it.
std::vector<std::string> ReadFiles(const DecodeOptions& o)
{
    std::vector<std::string> files;
    for (const std::string& capture : o.Captures)
        files.push_back(capture != "-" ? capture : "/dev/stdin");
    return files;
}

// Standard input as a capture: copied to a temporary file first, since the
// kind is told from its start before it is read. The file goes with it.
class SpooledInput {
public:
    ~SpooledInput()
    {
        if (!path_.empty())
            std::remove(path_.c_str());
    }

    // The path of a file holding what in holds; empty, with error set, when
    // it cannot be made.
    std::string Spool(std::FILE* in, std::string& error)
    {
        static int count = 0;
        path_ = (std::filesystem::temp_directory_path()
            / ("norvane-stdin-" + std::to_string(std::random_device{}()) + "-" + std::to_string(count++)))
                    .string();
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        bool ok = file != nullptr;
        std::vector<char> buffer(1 << 20);
        for (std::size_t n; ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
            ok = std::fwrite(buffer.data(), 1, n, file) == n;
        ok = ok && !std::ferror(in);
        if (file && std::fclose(file) != 0)
            ok = false;
        if (!ok) {
            error = "standard input could not be read into " + path_ + ": " + std::strerror(errno);
            return {};
        }
        return path_;
    }

private:
    std::string path_;
};

// Reads the captures of o into m; returns how many could not be read.
std::size_t ReadCaptures(const DecodeOptions& o, Module1& m, ReaderHost& host, Reporter& reporter, std::FILE* in)
{
    SpooledInput spooled;
    std::vector<std::string> paths = o.Captures;
    std::string spooledPath;
    for (std::string& path : paths)
        if (path == "-") {
            std::string error;
            spooledPath = spooled.Spool(in, error);
            if (!spooledPath.empty())
                path = spooledPath;
            else
                reporter.Fail(error);
        }
    m.DescribedRecords.KeepFrames(o.Merge); // only merging compares them
    std::vector<ReadResult> failures = ReadSelection(o.Kind, m, host, paths);
    if (o.Merge)
        MergeByTime(m);
    // Messages and summaries name the captures as given.
    auto asGiven = [&](std::string& text) {
        if (spooledPath.empty())
            return;
        std::string given;
        std::size_t from = 0;
        for (std::size_t at; (at = text.find(spooledPath, from)) != std::string::npos; from = at + spooledPath.size())
            given.append(text, from, at - from).append("-");
        text = given.append(text, from);
    };
    for (ImportSummary& import : m.Imports) {
        asGiven(import.File);
        asGiven(import.Error);
    }
    for (ReadResult& failure : failures)
        asGiven(failure.Message);
    for (const ReadResult& failure : failures)
        reporter.Fail(failure.Message);
    for (const ImportSummary& import : m.Imports)
        if (import.Kind == CaptureKindName(CaptureKind::ServerLog) && import.RawFrames > 0 && import.EscapesUndone > 0)
            reporter.Warn(import.File + " was read as a server log, but "
                + Counted(import.RawFrames, "frame holds", "frames hold")
                + " a raw C0 or DB, which only a SatNOGS export holds, and escape pairs were undone in it; if it is an "
                  "export, read it with -f satnogs");
    return failures.size();
}

} // namespace

namespace {

// What the arguments ask for when it is not a decoding (a usage error, the
// help, the version, a task of the satellite library) or outputs that
// cannot be written: its exit code. Otherwise none, the outputs completed.
std::optional<int> AnswerWithoutDecoding(
    const std::vector<std::string>& args, DecodeOptions& o, TextSink& out, TextSink& err)
{
    const auto usageError = [&](const std::string& error) {
        err.Write("norvane-decode: " + error + "\n");
        err.Write(DecodeUsageHint());
        return ExitUsage;
    };
    if (const auto error = ParseDecodeArguments(args, o))
        return usageError(*error);
    if (o.Help) {
        out.Write(DecodeUsage());
        return ExitOk;
    }
    if (o.ShowVersion) {
        out.Write("norvane-decode " + std::string(ProgramVersion) + "\n");
        return ExitOk;
    }
    if (o.Task != DecodeTask::Decode)
        return RunLibraryTask(o, out, err);
    if (!AsksForOutput(o))
        o.Outputs[Output::Csv] = "-";
    const std::vector<std::string> descriptions
        = o.Description ? std::vector{*o.Description} : std::vector<std::string>{};
    if (const auto error = CheckOutputs(OutputTargets(o), ReadFiles(o), o.Force, descriptions))
        return usageError(*error);
    return std::nullopt;
}

// The described satellite that o names, into m, its warnings told; false
// when its description cannot be used, which is said.
bool LoadDescribedSatellite(const DecodeOptions& o, Module1& m, Reporter& reporter, TextSink& err)
{
    if (!o.Description)
        return true;
    try {
        m.Described = DescribedSatellite::Load(*o.Description);
    } catch (const KsyLoadError& e) {
        err.Write("norvane-decode: the description cannot be used: " + std::string(e.what()) + "\n");
        return false;
    }
    for (const std::string& warning : m.Described->Description().Warnings)
        reporter.Warn(warning);
    for (const std::string& process : m.Described->Description().UnsupportedProcesses)
        reporter.Warn(*o.Description + ": process " + process + " is not supported; frames that need it do not parse");
    return true;
}

// Reads the captures, or receives live from a TNC or raw sound on in, into
// m; returns how many captures could not be read (a lost connection counts
// as one).
std::size_t ReadOrReceive(
    const DecodeOptions& o, Module1& m, DumpHost& host, Reporter& reporter, const Streams& streams, std::FILE* in)
{
    BeginDataSet(m);
    if (o.KissTcp)
        return ReceiveLive(o, m, host, reporter, streams) ? 0 : 1;
    if (o.RawRate) {
        ReceiveSound(o, m, host, reporter, streams, in);
        return 0;
    }
    return ReadCaptures(o, m, host, reporter, in);
}

// A signal stops a described frame within milliseconds, however slow its
// description, and the run with it.
struct StopFramesOnSignal {
    StopFramesOnSignal()
    {
        KsyInterpreter::SetStopCheck([] { return StopSignals::Received() != 0; });
    }
    ~StopFramesOnSignal() { KsyInterpreter::SetStopCheck(nullptr); }
    StopFramesOnSignal(const StopFramesOnSignal&) = delete;
    StopFramesOnSignal& operator=(const StopFramesOnSignal&) = delete;
};

// Where the dump page's lines go: a file opened before reading, so that its
// lines need not be held in memory, or a standard stream, written at the end.
struct DumpTarget {
    std::unique_ptr<AtomicFile> File;
    std::string Text;
    int Stream = 0;

    // Opens the file that o names, if any; false when a signal came while a
    // pipe waited for its reader. A file that cannot be opened is reported.
    bool Open(const DecodeOptions& o, Reporter& reporter)
    {
        const std::string* dump = o.OutputTo(Output::Dump);
        Stream = dump ? StandardStreamOf(*dump) : 0;
        if (!dump || Stream != 0)
            return true;
        File = std::make_unique<AtomicFile>(*dump);
        if (!File->Open()) {
            // A pipe without a reader yet waits until one comes or a signal.
            if (StopSignals::Received() != 0)
                return false;
            reporter.Fail(File->Error());
            File.reset();
        }
        return true;
    }
    void Finish(const Streams& streams, Reporter& reporter)
    {
        if (File && !File->Commit())
            reporter.Fail(File->Error());
        if (Stream != 0)
            streams.Of(Stream).Write(Text);
    }
};

} // namespace

int RunDecodeCommand(const std::vector<std::string>& args, TextSink& out, TextSink& err, const std::string& decimalMark,
    bool progress, std::FILE* in)
{
    DecodeOptions o;
    if (const std::optional<int> answered = AnswerWithoutDecoding(args, o, out, err))
        return *answered;
    Reporter reporter(err);
    const StopSignals signals;
    const StopFramesOnSignal stopFrames;
    const Streams streams{out, err};
    const auto stopped = [&](const char* when) {
        if (!StopSignals::ReceivedBrokenPipe())
            err.Write(std::string("norvane-decode: stopped by a signal while ") + when + "\n");
        return 128 + StopSignals::Received();
    };

    DumpTarget dump;
    if (!dump.Open(o, reporter))
        return stopped("waiting for the dump's reader; no output was written");

    Module1 m;
    m.SatelliteNumber = o.Satellite;
    if (!LoadDescribedSatellite(o, m, reporter, err))
        return ExitUsage;
    m.LogDate = o.LogDate;
    DumpHost host(dump.File.get(), dump.Stream != 0 ? &dump.Text : nullptr, progress && !o.Quiet ? &err : nullptr);
    host.SetSound(o.Sound);
    const bool live = o.KissTcp.has_value();
    if (const std::string* recording = o.OutputTo(Output::Recording); recording && !live) {
        if (std::string error; !host.Recording().Open(*recording, error)) {
            err.Write("norvane-decode: " + error + "\n");
            return ExitFailure;
        }
    }
    const std::size_t failures = ReadOrReceive(o, m, host, reporter, streams, in);
    host.EndProgress();
    host.Flush();
    // A signal while captures are read stops the run: the outputs would hold
    // part of what was asked for, so none is written.
    const bool endedBySignal = StopSignals::Received() != 0;
    const bool streamed = live || o.RawRate;
    if (endedBySignal && !streamed)
        return stopped("reading; no output was written");
    if (o.Summary)
        WriteImportSummary(err, m);

    // Live reception that a signal ended writes every frame it stored.
    if (endedBySignal)
        KsyInterpreter::SetStopCheck(nullptr);
    const WrittenOutputs written = WriteOutputs(o, m, streams, reporter, decimalMark, streamed, !endedBySignal);
    if (written.Stopped)
        return stopped("writing; the outputs written before it are whole, no other was written");
    dump.Finish(streams, reporter);

    if (!o.Quiet)
        WriteClosingLine(err, m, o.KissTcp ? 1 : o.Captures.size(), failures, written.LeftOut);
    return reporter.ExitCode();
}
