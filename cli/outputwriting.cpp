// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputwriting.h"

#include "decodeoptions.h"
#include "output/outputformats.h"
#include "stopsignals.h"

#include <algorithm>

namespace {

// Hands text on to a sink until a signal comes while the outputs of
// captures are written; from then on it drops it, and the output is left out.
class StoppableSink : public TextSink {
public:
    StoppableSink(TextSink& to, bool stoppable)
        : to_(to)
        , stoppable_(stoppable)
    {
    }
    void Write(std::string_view text) override
    {
        if (!Stopped())
            to_.Write(text);
    }
    void Flush() override
    {
        if (!Stopped())
            to_.Flush();
    }
    bool Stopped() const { return stoppable_ && StopSignals::Received() != 0; }

private:
    TextSink& to_;
    bool stoppable_;
};

} // namespace

WrittenOutputs WriteOutputs(const DecodeOptions& o, const Module1& m, const Streams& streams, Reporter& reporter,
    const std::string& decimalMark, bool live, bool stoppable)
{
    OutputRun run{m, decimalMark, o.Record};
    WrittenOutputs written;
    for (const OutputFormat& format : OutputFormats()) {
        const auto path = o.Outputs.find(format.Kind);
        if (path == o.Outputs.end() || !format.Write || (live && format.LiveLines))
            continue;
        if (format.Refuse)
            if (const auto refused = format.Refuse(run)) {
                reporter.Fail(*refused + "; "
                    + (path->second == "-" ? "nothing was written for " + std::string(format.Option)
                                           : path->second + " was not written"));
                continue;
            }
        if (const int stream = StandardStreamOf(path->second); stream != 0) {
            StoppableSink sink(streams.Of(stream), stoppable);
            format.Write(sink, run);
            written.Stopped = sink.Stopped();
        } else {
            // Opened only now, so that no other ending leaves a temporary file.
            AtomicFile file(path->second);
            StoppableSink sink(file, stoppable);
            if (file.Open())
                format.Write(sink, run);
            written.Stopped = sink.Stopped();
            if (!written.Stopped && !file.Commit())
                reporter.Fail(file.Error());
        }
        if (written.Stopped)
            break;
    }
    written.LeftOut = run.LeftOut;
    return written;
}

bool AsksForOutput(const DecodeOptions& o)
{
    return std::ranges::any_of(OutputFormats(),
        [&](const OutputFormat& format) { return !format.Recording && o.Outputs.contains(format.Kind); });
}

std::vector<OutputTarget> OutputTargets(const DecodeOptions& o)
{
    const bool live = o.KissTcp.has_value();
    std::vector<OutputTarget> targets;
    for (const OutputFormat& format : OutputFormats())
        if (const auto path = o.Outputs.find(format.Kind); path != o.Outputs.end())
            targets.push_back({std::string(format.Option), path->second, format.Recording || (live && format.LiveLines),
                format.Recording});
    return targets;
}
