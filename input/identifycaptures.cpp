// SPDX-License-Identifier: GPL-3.0-or-later
#include "identifycaptures.h"

#include "capturereaders.h"
#include "describe/describedsatellite.h"
#include "dispatch.h"
#include "readerhost.h"
#include "telemetry/decoders.h"

#include <algorithm>

namespace {

// Stops the reading once enough frames are at hand.
class FrameLimit : public ReaderHost {
public:
    FrameLimit(const Module1& m, std::size_t limit)
        : m_(m)
        , limit_(limit)
    {
    }
    bool CancelRequested() override
    {
        return static_cast<std::size_t>(m_.DescribedRecords.Count()) + m_.DescribedPending.Count() >= limit_;
    }

private:
    const Module1& m_;
    std::size_t limit_;
};

} // namespace

Identification IdentifyCaptures(const std::vector<std::optional<CaptureKind>>& kinds,
    const std::vector<std::string>& paths, const SatelliteLibrary& library, std::size_t maxFrames)
{
    // Every frame, read with a description that takes any frame and gives no field.
    Module1 m;
    m.Described = std::make_shared<DescribedSatellite>(
        std::shared_ptr<const KsyDescription>(LoadKsyDescriptionText("meta:\n  id: frames\n", "(every frame)")));
    BeginDataSet(m);
    FrameLimit host(m, maxFrames);
    Identification found;
    found.Failures = ReadSelection(kinds, m, host, paths);
    const DescribedTable& frames = m.DescribedRecords;
    found.Frames = frames.Count();
    const std::size_t tried = std::min(static_cast<std::size_t>(found.Frames), maxFrames);
    found.Tried = static_cast<std::int64_t>(tried);
    const auto frameAt = [&frames](std::size_t k) { return frames.Frame(static_cast<std::int64_t>(k) + 1); };

    found.Ranked = ScoreDescriptions(library, tried, frameAt);
    // A built-in satellite reads the frames addressed to it, every field of its packet kind.
    for (const BuiltInSatellite& s : BuiltInSatellites) {
        IdentifyScore score{std::string(s.Name), "", "built in"};
        for (std::size_t k = 0; k < tried; ++k) {
            const std::span<const std::uint8_t> frame = frameAt(k);
            if (BuiltInSatelliteOfFrame(frame) != s.Number)
                continue;
            ++score.Parsed;
            const int kind = frame[PacketHeader{}.size() + 1];
            score.Filled += static_cast<std::int64_t>(PacketLayout(kind).size());
        }
        score.Possible = score.Filled;
        if (score.Parsed > 0)
            found.Ranked.push_back(std::move(score));
    }
    RankScores(found.Ranked);
    return found;
}
