// SPDX-License-Identifier: GPL-3.0-or-later
#include "importsummary.h"

#include "telemetrytable.h"

namespace {

using S = ImportSummary;
using G = CounterGroup;

constexpr ImportCounter Counters[] = {
    {&S::Units, "Frames or lines", "Frames or lines", "", G::Read},
    {&S::TimeUnits, "Time frames or lines", "Time frames or lines", "", G::Read},
    {&S::Stored1, "Kind 1", "Stored", "", G::Stored},
    {&S::NotParsed, "", "Does not parse", "do not parse", G::Dropped},
    {&S::Stored2, "Kind 2", "", "", G::Stored},
    {&S::TooShort, "Too short", "Too short", "too short", G::Dropped},             // described: no frame at all
    {&S::OtherHeader, "Other header", "Other header", "other header", G::Dropped}, // described: not a data frame
    {&S::OtherSatellite, "Other satellite", "", "other satellite", G::Dropped},
    {&S::OtherKind, "Other packet kind", "", "other packet kind", G::Dropped},
    {&S::NotOfKind, "Not of the kind", "Not of the kind", "not of the file's kind", G::Dropped},
    {&S::BadFcs, "Bad FCS", "Bad FCS", "bad FCS", G::Dropped},
    {&S::BadEscapes, "Bad escapes", "Bad escapes", "bad KISS escapes", G::Flaw},
    {&S::BadHexPairs, "Bad hex pairs", "Bad hex pairs", "hex pairs not hex", G::Flaw},
    {&S::EscapesUndone, "Escapes undone", "Escapes undone", "escapes undone", G::Note},
    {&S::RawFrames, "Raw C0 or DB", "Raw C0 or DB", "frames with a raw C0 or DB", G::Note},
    {&S::NoInstant, "Without a time", "Without a time", "without a time", G::Note},
    {&S::Duplicates, "Duplicates", "Duplicates", "duplicates", G::Note},
};

} // namespace

std::span<const ImportCounter> ImportCounters() { return Counters; }

void ImportSummary::Add(const ImportSummary& o)
{
    for (const ImportCounter& counter : Counters)
        this->*counter.Member += o.*counter.Member;
    if (o.FirstInstant != UnknownInstant) {
        Widen(o.FirstInstant);
        Widen(o.LastInstant);
    }
    if (FirstNotParsed.empty())
        FirstNotParsed = o.FirstNotParsed;
    if (Described.empty())
        Described = o.Described;
}

namespace {

// The counts of one group that are not 0, as " 3 too short, 1 other header";
// empty when all are 0.
std::string GroupCounts(const ImportSummary& s, CounterGroup group)
{
    std::string out;
    for (const ImportCounter& counter : Counters) {
        const std::int64_t count = s.*counter.Member;
        if (counter.Group != group || count == 0)
            continue;
        out += out.empty() ? " " : ", ";
        out += std::to_string(count);
        out += ' ';
        out += counter.Phrase;
    }
    return out;
}

} // namespace

std::string SummaryLine(const ImportSummary& s)
{
    // A file that could not be read has only its reason to tell.
    if (s.Kind.empty() && !s.Error.empty())
        return s.Error;
    // Totals mix frames of KISS captures and lines of the others.
    const std::string unit = s.Unit.empty() ? "frames or lines" : s.Unit;
    std::string line = s.File + ": ";
    if (!s.Kind.empty())
        line += s.Kind + ", ";
    if (!s.Sound.empty())
        line += s.Sound + ", ";
    line += std::to_string(s.Units) + " " + unit;
    if (s.TimeUnits > 0)
        line += " (" + std::to_string(s.TimeUnits) + " time " + unit + ")";
    if (s.Described.empty()) {
        for (const PacketKind& kind : PacketKinds)
            line += std::string(kind.Number == 1 ? ", stored " : " and ") + std::to_string(s.StoredOf(kind.Number))
                + " of kind " + std::to_string(kind.Number);
    } else {
        line += ", stored " + std::to_string(s.Stored1) + " of " + s.Described;
    }

    const std::string dropped = GroupCounts(s, CounterGroup::Dropped);
    line += ", dropped:" + (dropped.empty() ? std::string(" none") : dropped);
    if (const std::string flaws = GroupCounts(s, CounterGroup::Flaw); !flaws.empty())
        line += ", flaws:" + flaws;
    for (const ImportCounter& counter : Counters)
        if (counter.Group == CounterGroup::Note && s.*counter.Member != 0)
            line += ", " + std::string(counter.Phrase) + ": " + std::to_string(s.*counter.Member);
    if (!s.FirstNotParsed.empty())
        line += ", the first that does not parse: " + s.FirstNotParsed;
    if (s.FirstInstant != UnknownInstant)
        line += ", times " + FormatIsoUtc(s.FirstInstant) + " to " + FormatIsoUtc(s.LastInstant);
    if (s.Cancelled)
        line += ", cancelled";
    if (!s.Error.empty())
        line += ", " + s.Error;
    return line;
}
