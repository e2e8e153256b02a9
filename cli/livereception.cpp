// SPDX-License-Identifier: GPL-3.0-or-later
#include "livereception.h"

#include "describe/describedsatellite.h"
#include "livetcp.h"
#include "output/outputformats.h"
#include "stopsignals.h"

#include "input/dispatch.h"
#include "input/kissstream.h"
#include "input/soundreception.h"
#include "output/jsonlines.h"
#include "output/outputguard.h"
#include "output/storedlines.h"

#include <chrono>
#include <memory>
#include <vector>

namespace {

// The JSON Lines of live reception: the file grows line by line, so that
// it can be followed and a run that is killed leaves every whole line; each
// packet's line goes out as soon as it is stored.
class LiveJsonLines {
public:
    LiveJsonLines(const DecodeOptions& o, const Module1& m, const Streams& streams, Reporter& reporter)
        : reporter_(reporter)
        , lines_(MakeJsonLines(m))
        , written_(m)
    {
        const std::string* path = o.OutputTo(Output::Jsonl);
        if (path && StandardStreamOf(*path) != 0) {
            sink_ = &streams.Of(StandardStreamOf(*path));
        } else if (path) {
            file_ = std::make_unique<AppendingFile>(*path);
            if (file_->Open())
                sink_ = file_.get();
            else
                reporter.Fail(file_->Error());
        }
    }

    // Writes the lines of the packets stored since, in the order stored.
    void Append()
    {
        if (!sink_)
            return;
        int kind = 0;
        std::int64_t n = 0;
        while (written_.Next(kind, n))
            lines_->Append(text_, kind, n);
        if (!text_.empty()) {
            sink_->Write(text_);
            sink_->Flush();
            text_.clear();
        }
    }

    void Close()
    {
        if (file_ && !file_->Close())
            reporter_.Fail(file_->Error());
    }

private:
    Reporter& reporter_;
    std::unique_ptr<JsonLines> lines_;
    std::unique_ptr<AppendingFile> file_;
    TextSink* sink_ = nullptr;
    StoredOrder written_; // the packets written so far
    std::string text_;
};

} // namespace

bool ReceiveLive(const DecodeOptions& o, Module1& m, ReaderHost& host, Reporter& reporter, const Streams& streams)
{
    LiveOptions live;
    SplitHostPort(*o.KissTcp, live.Host, live.Port); // checked with the arguments
    live.Reconnect = o.Reconnect;
    live.DurationSeconds = o.Duration;
    const std::string* recording = o.OutputTo(Output::Recording);
    KissStream stream(m, host, recording ? *recording : *o.KissTcp);
    if (std::string error; recording && !stream.Record(*recording, error)) {
        reporter.Fail(error);
        return false;
    }
    TextSink& err = streams.Err;
    LiveJsonLines lines(o, m, streams, reporter);
    auto afterFeed = [&] { lines.Append(); };
    std::string error;
    const bool ok = RunLiveTcp(
        live, stream, afterFeed,
        [&](const std::string& note) {
            if (!o.Quiet)
                err.Write("norvane-decode: " + note + "\n");
        },
        error);
    if (!ok)
        reporter.Fail(error);
    if (!stream.RecordingError().empty())
        reporter.Fail(stream.RecordingError());
    lines.Close();
    const StreamCounters& c = stream.Counters();
    if (c.Incomplete > 0)
        err.Write("norvane-decode: " + Counted(c.Incomplete, "frame was", "frames were")
            + " cut off by the lost connection and not stored\n");
    if (o.Summary)
        err.Write("live: " + std::to_string(c.Frames) + " data frames, " + std::to_string(c.CommandFrames)
            + " command frames dropped, " + std::to_string(c.Oversized) + " oversized, " + std::to_string(c.Incomplete)
            + " incomplete, " + std::to_string(c.BytesReceived) + " bytes\n");
    return ok;
}

void ReceiveSound(
    const DecodeOptions& o, Module1& m, DumpHost& host, Reporter& reporter, const Streams& streams, std::FILE* in)
{
    m.CurrentFileName = "-";
    m.ShowTimeSpan = false;
    m.Import = ImportSummary{};
    m.Import.File = "-";
    m.Import.Kind = CaptureKindName(CaptureKind::Audio);
    m.Import.Unit = CaptureKindOf(CaptureKind::Audio).Unit;
    if (m.Described)
        m.Import.Described = m.Described->Id();
    const Instant start = o.Sound.Start.value_or(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    SoundReception reception(m, host, o.Sound, *o.RawRate, start); // the data set's first file
    m.Imports.assign(1, m.Import);                                 // kept up to date: the lines name the file from it
    LiveJsonLines lines(o, m, streams, reporter);
    // Small reads, so that a frame is handed on as soon as its sound is in.
    std::vector<std::int16_t> raw(2048);
    std::vector<float> samples;
    std::uint8_t odd = 0;
    bool haveOdd = false;
    std::vector<std::uint8_t> bytes(2 * raw.size());
    while (StopSignals::Received() == 0) {
        const std::size_t n = std::fread(bytes.data() + (haveOdd ? 1 : 0), 1, bytes.size() - 1, in);
        if (n == 0)
            break;
        if (haveOdd)
            bytes[0] = odd;
        const std::size_t have = n + (haveOdd ? 1 : 0);
        samples.resize(have / 2);
        for (std::size_t k = 0; k < samples.size(); ++k)
            samples[k] = static_cast<float>(static_cast<std::int16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8)) / 32768.0F;
        haveOdd = have % 2 != 0;
        odd = haveOdd ? bytes[have - 1] : 0;
        reception.Samples(samples);
        FlushDescribed(m, host);
        m.Imports.back() = m.Import;
        lines.Append();
    }
    reception.Finish(o.Sound.Start ? "start given" : "start from the clock");
    m.Imports.back() = m.Import;
    lines.Close();
    if (!host.Recording().Error().empty())
        reporter.Fail(host.Recording().Error());
}
