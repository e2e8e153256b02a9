#include "importsummary.h"

void ImportSummary::Add(const ImportSummary& o)
{
    Units += o.Units;
    TimeUnits += o.TimeUnits;
    Stored1 += o.Stored1;
    Stored2 += o.Stored2;
    TooShort += o.TooShort;
    OtherHeader += o.OtherHeader;
    OtherSatellite += o.OtherSatellite;
    OtherKind += o.OtherKind;
    NotOfKind += o.NotOfKind;
    BadEscapes += o.BadEscapes;
    BadHexPairs += o.BadHexPairs;
}

namespace {

void AppendCount(std::string& out, bool& first, std::int64_t count, const char* what)
{
    if (count == 0)
        return;
    out += first ? " " : ", ";
    out += std::to_string(count);
    out += ' ';
    out += what;
    first = false;
}

} // namespace

std::string SummaryLine(const ImportSummary& s)
{
    // A file that could not be read has only its reason to tell.
    if (s.Kind.empty() && !s.Error.empty())
        return s.Error;
    // Totals mix frames of KISS captures and lines of the others.
    const std::string unit = s.Kind == "kiss" ? "frames" : s.Kind.empty() ? "frames or lines" : "lines";
    std::string line = s.File + ": ";
    if (!s.Kind.empty())
        line += s.Kind + ", ";
    line += std::to_string(s.Units) + " " + unit;
    if (s.TimeUnits > 0)
        line += " (" + std::to_string(s.TimeUnits) + " time " + unit + ")";
    line += ", stored " + std::to_string(s.Stored1) + " of kind 1 and " + std::to_string(s.Stored2) + " of kind 2";

    std::string dropped;
    bool first = true;
    AppendCount(dropped, first, s.TooShort, "too short");
    AppendCount(dropped, first, s.OtherHeader, "other header");
    AppendCount(dropped, first, s.OtherSatellite, "other satellite");
    AppendCount(dropped, first, s.OtherKind, "other packet kind");
    AppendCount(dropped, first, s.NotOfKind, "not of the file's kind");
    line += ", dropped:" + (first ? std::string(" none") : dropped);

    std::string flaws;
    first = true;
    AppendCount(flaws, first, s.BadEscapes, "bad KISS escapes");
    AppendCount(flaws, first, s.BadHexPairs, "hex pairs not hex");
    if (!first)
        line += ", flaws:" + flaws;
    if (s.Cancelled)
        line += ", cancelled";
    if (!s.Error.empty())
        line += ", " + s.Error;
    return line;
}
