// SPDX-License-Identifier: GPL-3.0-or-later
// The three line-based readers: ground-station logs, server logs and text
// captures.

#include "capturereaders.h"
#include "dispatch.h"
#include "hexconv.h"
#include "linesplitter.h"
#include "readerskeleton.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t InfoFieldStart = 18; // frame position of the first information byte

std::string_view WithoutTrailingCr(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Hands every line of an open file to onLine until the user cancels. The text
// after the last line end is a line too, unless emptyLastIsLine is off and it
// is empty (or holds only a CR).
template <typename OnLine>
void ForEachLine(CaptureFile& file, EventPump& pump, LineEnds ends, bool emptyLastIsLine, OnLine&& onLine)
{
    LineSplitter splitter(ends);
    auto eachLine = [&](std::string_view line, std::uint64_t offset) {
        if (!pump.Cancelled())
            onLine(line, offset);
    };
    for (std::string_view chunk = file.NextChunk(); !chunk.empty() && !pump.Cancelled(); chunk = file.NextChunk())
        splitter.Feed(chunk, eachLine);
    if (emptyLastIsLine || !WithoutTrailingCr(splitter.Rest()).empty())
        eachLine(splitter.Rest(), splitter.RestOffset());
}

// Characters from..from+count of a line (counted from 0), as far as it reaches.
std::string_view Mid(std::string_view line, std::size_t from, std::size_t count)
{
    return from < line.size() ? line.substr(from, count) : std::string_view{};
}

// Puts the blank-separated hex pairs of text (pair j at characters 3j and 3j+1)
// into FrameBuffer from position 18 on; what lies past the last pair is cleared.
void PutSpacedHexPairs(Module1& m, std::string_view text)
{
    const std::size_t room = FrameBufferSize + 1 - InfoFieldStart;
    const std::size_t pairs = std::min((text.size() + 2) / 3, room);
    // Every pair but perhaps the last has both its characters; a last single
    // character is a lone digit (a flaw) or the line's CR (none).
    const std::size_t complete = std::min(pairs, (text.size() + 1) / 3);
    std::uint8_t* out = m.FrameBuffer.data() + InfoFieldStart;
    std::int64_t bad = 0;
    const auto& table = PairValueTable();
    for (std::size_t j = 0; j < complete; ++j)
        out[j] = TablePairValue(table, text.data() + 3 * j, bad);
    for (std::size_t j = complete; j < pairs; ++j) {
        out[j] = HexPairValue(text, 3 * j);
        bad += text[3 * j] != '\r';
    }
    ClearFrameBufferFrom(m, InfoFieldStart + pairs);
    m.Import.BadHexPairs += bad;
}

// A line's blank-separated hex pairs as a described satellite's frame.
void DispatchSpacedHex(
    Module1& m, ReaderHost& host, std::string_view text, const PacketInfo& reception, std::vector<std::uint8_t>& frame)
{
    std::int64_t bad = 0; // counted as the frame buffer was filled
    HexPairsToBytes(text, true, frame, bad);
    DispatchDescribed(m, host, frame, reception);
}

// "HH:MM:SS": two digits, a colon, two digits, a colon, two digits.
bool StartsWithClockTime(std::string_view line)
{
    auto digit = [&](std::size_t i) { return line[i] >= '0' && line[i] <= '9'; };
    return line.size() >= 8 && digit(0) && digit(1) && line[2] == ':' && digit(3) && digit(4) && line[5] == ':'
        && digit(6) && digit(7);
}

void SetClockTime(std::string& time, std::string_view clock)
{
    time.assign(clock);
    time.append(".000 UTC");
}

// The instants of a log file's lines: its clock times on the date of the
// file's name or, without one, the date the program was given. A clock time
// more than 12 hours earlier than the one before moves the date on by a day.
class LogClock {
public:
    LogClock(const Module1& m, const std::string& path)
    {
        const std::size_t slash = path.find_last_of("/\\");
        const auto named = DateInName(slash == std::string::npos ? path : std::string_view(path).substr(slash + 1));
        if (named)
            day_ = *named;
        else if (m.LogDate)
            day_ = *m.LogDate;
        else
            known_ = false;
    }

    Instant At(std::string_view line)
    {
        const std::optional<Instant> clock = ParseClockTime(line);
        if (!known_ || !clock)
            return UnknownInstant;
        constexpr Instant HalfDay = 12 * 3600 * 1000;
        if (last_ && *clock < *last_ - HalfDay)
            ++day_;
        last_ = clock;
        return day_ * 86400000 + *clock;
    }

private:
    bool known_ = true;
    std::int64_t day_ = 0;
    std::optional<Instant> last_;
};

} // namespace

ReadResult ReadLogFile(Module1& m, ReaderHost& host, const std::string& path)
{
    return ReadCaptureWith(m, host, path, [&](CaptureFile& file, EventPump& pump, ReadingState& state) {
        LogClock clock(m, path);
        std::vector<std::uint8_t> frame;
        // A CR before the LF stays in the line; it falls where no pair is read.
        ForEachLine(file, pump, LineEnds::LfOnly, true, [&](std::string_view line, std::uint64_t offset) {
            SetClockTime(m.FrameTimeText, line.substr(0, 8));
            state.Reception.At = clock.At(line);
            state.Reception.Offset = offset;
            PutSpacedHexPairs(m, Mid(line, 9, std::string_view::npos));
            const std::string_view text = WithoutTrailingCr(line);
            if (!text.empty()) {
                ++m.Import.Units;
                m.Import.NotOfKind += !StartsWithClockTime(text);
            }
            // Without the third pair there is no packet kind (position 20 is 0);
            // a described frame needs one byte at least.
            if (m.Described && text.size() >= 11)
                DispatchSpacedHex(m, host, Mid(text, 9, std::string_view::npos), state.Reception, frame);
            else if (m.Described || text.size() < 16)
                m.Import.TooShort += !text.empty();
            else
                DispatchPacket(m, false, state.Reception);
            pump.Tick();
        });
    });
}

ReadResult ReadTextFile(Module1& m, ReaderHost& host, const std::string& path)
{
    return ReadCaptureWith(m, host, path, [&](CaptureFile& file, EventPump& pump, ReadingState& state) {
        m.ShowTimeSpan = true;
        std::vector<std::uint8_t> frame;
        ForEachLine(file, pump, LineEnds::AnyLineEnd, false, [&](std::string_view line, std::uint64_t offset) {
            m.Import.Units += !line.empty();
            state.Reception.Offset = offset;
            // A time line gives the time of the hex lines after it, in this file
            // and the next, until the next time line.
            const bool timeLine = !line.empty() && line[0] == '[';
            if (timeLine) {
                SetClockTime(m.FrameTimeText, Mid(line, 12, 8));
                // "[YYYY-MM-DD HH:MM:SS": characters 2 to 20 give the instant.
                state.Reception.At = line.size() >= 20
                    ? state.TimeParser.Parse(line.substr(1, 19)).value_or(UnknownInstant)
                    : UnknownInstant;
                ++m.Import.TimeUnits;
            }
            const bool hexLine
                = line.size() >= 12 && line[2] == ' ' && line[5] == ' ' && line[8] == ' ' && line[11] == ' ';
            if (hexLine) {
                PutSpacedHexPairs(m, line);
                if (m.Described)
                    DispatchSpacedHex(m, host, WithoutTrailingCr(line), state.Reception, frame);
                else
                    DispatchPacket(m, false, state.Reception);
            } else if (!timeLine && !line.empty()) {
                ++m.Import.NotOfKind;
            }
            pump.Tick();
        });
    });
}

namespace {

constexpr auto ServerLogHeaders = [] {
    std::array<std::array<char, 30>, BuiltInSatellites.size()> texts{};
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = ServerLogHeaderText(BuiltInSatellites[i].Header);
    return texts;
}();

bool IsServerLogHeader(std::string_view header)
{
    return std::ranges::any_of(ServerLogHeaders,
        [&](const std::array<char, 30>& text) { return header == std::string_view(text.data(), text.size()); });
}

// Undoes the KISS escapes of a server-log frame on byte boundaries: the byte
// pairs DB DD and DB DC, written in upper-case digits, become DB and C0.
// Returns how many it undid; out holds the result only when it undid any.
// raw tells whether the frame holds a C0, or a DB that starts no escape
// pair, which no server log can: the mark of a SatNOGS export.
std::int64_t UnescapeHexFrame(std::string_view hex, std::string& out, bool& raw)
{
    std::int64_t undone = 0;
    std::size_t run = 0; // the pairs from here on are copied as they are
    for (std::size_t k = 0; k + 2 <= hex.size(); k += 2) {
        if (hex[k] == 'C' && hex[k + 1] == '0') {
            raw = true;
        } else if (hex[k] == 'D' && hex[k + 1] == 'B') {
            if (k + 4 > hex.size() || hex[k + 2] != 'D' || (hex[k + 3] != 'D' && hex[k + 3] != 'C')) {
                raw = true;
                continue;
            }
            if (undone == 0)
                out.clear();
            out.append(hex.substr(run, k - run));
            out.append(hex[k + 3] == 'D' ? "DB" : "C0");
            ++undone;
            k += 2;
            run = k + 2;
        }
    }
    if (undone > 0)
        out.append(hex.substr(run));
    return undone;
}

// text in upper-case letters, in out.
std::string_view UpperCase(std::string_view text, std::string& out)
{
    out.assign(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Frame byte k (from 1) goes to position k + 1; a single digit left at the end
// is not read.
void PutContinuousHex(Module1& m, std::string_view hex)
{
    const std::size_t room = FrameBufferSize - 1;
    const std::size_t bytes = std::min(hex.size() / 2, room);
    std::uint8_t* out = m.FrameBuffer.data() + 2;
    std::int64_t bad = 0;
    const auto& table = PairValueTable();
    for (std::size_t k = 0; k < bytes; ++k)
        out[k] = TablePairValue(table, hex.data() + 2 * k, bad);
    ClearFrameBufferFrom(m, 2 + bytes);
    m.Import.BadHexPairs += bad;
}

// Server logs and SatNOGS DB exports: a 19-character time, a separator and
// the frame from the destination address on as continuous hex, escaped as
// KISS escapes it in server logs only. A server log's header is matched in
// upper-case digits exactly; an export's in either case.
ReadResult ReadFrameLines(Module1& m, ReaderHost& host, const std::string& path, bool kissEscaped)
{
    // The dump page shows the lines of the server log read last, and is
    // empty when that one cannot be read.
    host.ClearDump();
    return ReadCaptureWith(m, host, path, [&](CaptureFile& file, EventPump& pump, ReadingState& state) {
        m.ShowTimeSpan = true;
        std::int64_t lineNumber = 0;
        std::string upper;
        std::vector<std::uint8_t> frame;
        ForEachLine(file, pump, LineEnds::LfOnly, false, [&](std::string_view line, std::uint64_t offset) {
            // The CR of a CR LF line end is not part of the line.
            line = WithoutTrailingCr(line);
            m.FrameTimeText.assign(line.substr(0, 19));
            state.Reception.At = state.TimeParser.Parse(m.FrameTimeText).value_or(UnknownInstant);
            m.Table.NoteTimeForm(m.FrameTimeText, state.Reception.At, state.TimeParser.Form());
            state.Reception.Offset = offset;
            // The frame's hex text: the line's own, or the escapes undone in FrameHexText.
            std::string_view hex = Mid(line, 20, std::string_view::npos);
            bool raw = false;
            if (const std::int64_t undone = kissEscaped ? UnescapeHexFrame(hex, m.FrameHexText, raw) : 0) {
                m.Import.EscapesUndone += undone;
                hex = m.FrameHexText;
            }
            m.Import.RawFrames += raw;
            PutContinuousHex(m, hex);
            host.AppendDumpLine(hex);
            ++m.Import.Units;
            const std::string_view header = hex.substr(0, 30);
            if (line.size() <= 20) {
                ++m.Import.NotOfKind; // a time at most: no frame
            } else if (m.Described) {
                std::int64_t bad = 0; // counted above
                HexPairsToBytes(hex, false, frame, bad);
                DispatchDescribed(m, host, frame, state.Reception);
            } else if (hex.size() < 38) {
                ++m.Import.TooShort; // no packet kind at position 20
            } else if (IsServerLogHeader(header) || (!kissEscaped && IsServerLogHeader(UpperCase(header, upper)))) {
                DispatchPacket(m, true, state.Reception);
            } else {
                ++m.Import.OtherHeader;
            }
            pump.Tick(lineNumber++);
        });
    });
}

} // namespace

ReadResult ReadServerLogFile(Module1& m, ReaderHost& host, const std::string& path)
{
    return ReadFrameLines(m, host, path, true);
}

ReadResult ReadSatnogsFile(Module1& m, ReaderHost& host, const std::string& path)
{
    return ReadFrameLines(m, host, path, false);
}
