// SPDX-License-Identifier: GPL-3.0-or-later
#include "jsonlines.h"

#include "jsonlinemakers.h"
#include "storedlines.h"

#include "text/jsontext.h"

#include <array>
#include <future>

namespace {

// "utc": the instant in ISO 8601, null when unknown.
void PutUtc(LineCursor& out, TimeTextRenderer& renderer, Instant at)
{
    std::array<char, TimeTextSize> full{};
    if (at == UnknownInstant) {
        out.Put("null");
    } else if (!renderer.Render(at, full)) {
        const std::string iso = FormatIsoUtc(at);
        out.Room(iso.size() + 2);
        out.Put("\"");
        out.Put(iso);
        out.Put("\"");
    } else {
        // "2016-03-17T10:15:00Z", with ".125" before the Z when there are milliseconds.
        const std::string_view text(full.data(), full.size());
        out.Put("\"");
        out.Put(text.substr(0, 10));
        out.Put("T");
        out.Put(text.substr(11, 8));
        if (text.substr(20, 3) != "000")
            out.Put(text.substr(19, 4));
        out.Put("Z\"");
    }
}

} // namespace

const std::string& CaptureNameTexts::Text(std::uint32_t file)
{
    static const std::string none = "\"\"";
    if (file >= imports_.size())
        return none;
    while (texts_.size() <= file) {
        const std::string_view name = imports_[texts_.size()].File;
        AppendJsonString(texts_.emplace_back(), name, !IsUtf8(name));
    }
    return texts_[file];
}

void PutTimeAndPlace(
    LineCursor& out, TimeTextRenderer& renderer, std::string_view time, const PacketInfo& packet, std::string_view file)
{
    out.Put(",\"time\":");
    out.p = PutJsonString(out.p, time, true);
    out.Put(",\"utc\":");
    PutUtc(out, renderer, packet.At);
    out.Put(",\"file\":");
    out.Put(file);
    out.Put(",\"at\":");
    out.PutInteger(static_cast<std::int64_t>(packet.Offset));
}

std::unique_ptr<JsonLines> MakeJsonLines(const Module1& m)
{
    if (m.Described)
        return std::make_unique<DescribedLines>(m);
    return std::make_unique<JsonPacketLines>(m);
}

void WriteJsonl(TextSink& out, const Module1& m)
{
    // The packets in batches: the first half of each written on this
    // thread, the second on another, each with its own texts met before.
    struct Half {
        explicit Half(const Module1& m)
            : Lines(MakeJsonLines(m))
        {
        }
        std::unique_ptr<JsonLines> Lines;
        std::string Text;
    };
    constexpr std::size_t Batch = 8192;
    Half first(m);
    Half second(m);
    std::vector<std::pair<int, std::int64_t>> batch;
    auto format = [&batch](Half& half, std::size_t from, std::size_t to) {
        half.Text.clear();
        for (std::size_t i = from; i < to; ++i)
            half.Text.append(half.Lines->Line(batch[i].first, batch[i].second));
    };
    auto writeBatch = [&] {
        const std::size_t middle = batch.size() / 2;
        std::future<void> other = std::async(std::launch::async, [&] { format(second, middle, batch.size()); });
        format(first, 0, middle);
        out.Write(first.Text);
        other.get();
        out.Write(second.Text);
        batch.clear();
    };
    ForEachStoredPacket(m, [&](int kind, std::int64_t n) {
        batch.emplace_back(kind, n);
        if (batch.size() == Batch)
            writeBatch();
    });
    if (!batch.empty())
        writeBatch();
}
