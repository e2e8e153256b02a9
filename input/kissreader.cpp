#include "capturereaders.h"
#include "dispatch.h"
#include "hexconv.h"
#include "kissframecutter.h"
#include "kissframes.h"
#include "readerskeleton.h"

#include <array>
#include <cstring>
#include <span>

namespace {

constexpr std::uint8_t FEND = KissFrameCutter::FEND;
constexpr std::uint8_t FESC = 0xDB;
constexpr std::uint8_t TFEND = 0xDC;
constexpr std::uint8_t TFESC = 0xDD;
constexpr std::uint8_t TimeFrameType = 9;

using Bytes = KissFrameCutter::Bytes;

// The time a time frame gives the frames after it. A gr-satellites stamp (8
// bytes after the type byte, the first 0x00) is a big-endian count of
// milliseconds since 1970 and gets a readable text; any other time frame is
// its text, one character per byte, as far as the frame buffer reaches.
void SetFrameTime(Module1& m, Bytes frame)
{
    const Bytes content = frame.subspan(1);
    if (content.size() == 8 && content[0] == 0x00) {
        Instant stamp = 0;
        for (const std::uint8_t b : content)
            stamp = stamp << 8 | b;
        m.FrameInstant = stamp;
        m.FrameTimeText = FormatTimeText(stamp);
        return;
    }
    const std::size_t n = std::min<std::size_t>(frame.size(), FrameBufferSize) - 1;
    m.FrameTimeText.assign(reinterpret_cast<const char*>(content.data()), n);
    m.FrameInstant = m.TimeParser.Parse(m.FrameTimeText).value_or(UnknownInstant);
}

} // namespace

Bytes UnescapeKissFrame(Bytes escaped, std::vector<std::uint8_t>& scratch, std::int64_t& badEscapes)
{
    const std::uint8_t* p = escaped.data();
    const std::uint8_t* end = p + escaped.size();
    const auto* fesc = static_cast<const std::uint8_t*>(std::memchr(p, FESC, escaped.size()));
    if (!fesc)
        return escaped;
    scratch.resize(escaped.size());
    std::uint8_t* out = scratch.data();
    while (fesc) {
        std::memcpy(out, p, static_cast<std::size_t>(fesc - p));
        out += fesc - p;
        p = fesc + 1;
        if (p < end && (*p == TFEND || *p == TFESC)) {
            *out++ = *p == TFEND ? FEND : FESC;
            ++p;
        } else {
            *out++ = FESC;
            ++badEscapes;
        }
        fesc = static_cast<const std::uint8_t*>(std::memchr(p, FESC, static_cast<std::size_t>(end - p)));
    }
    std::memcpy(out, p, static_cast<std::size_t>(end - p));
    out += end - p;
    return Bytes(scratch.data(), static_cast<std::size_t>(out - scratch.data()));
}

void AppendEscapedKissFrame(std::string& out, Bytes frame)
{
    out.push_back(static_cast<char>(FEND));
    for (const std::uint8_t b : frame) {
        if (b == FEND || b == FESC) {
            out.push_back(static_cast<char>(FESC));
            out.push_back(static_cast<char>(b == FEND ? TFEND : TFESC));
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
    out.push_back(static_cast<char>(FEND));
}

namespace {

// "XX " for every byte value, four bytes apart so that one copy writes a byte's text.
constexpr auto HexBlankTable = [] {
    std::array<char, 256 * 4> table{};
    for (int b = 0; b < 256; ++b) {
        table[static_cast<std::size_t>(4 * b)] = UpperHexDigits[b >> 4];
        table[static_cast<std::size_t>(4 * b + 1)] = UpperHexDigits[b & 0x0F];
        table[static_cast<std::size_t>(4 * b + 2)] = ' ';
    }
    return table;
}();

// Two upper-case hex digits and a blank for every byte of the frame.
void SetHexText(std::string& text, Bytes frame)
{
    // One spare byte lets every byte's text be copied as four bytes.
    text.resize(frame.size() * 3 + 1);
    char* out = text.data();
    for (const std::uint8_t b : frame) {
        std::memcpy(out, &HexBlankTable[static_cast<std::size_t>(b) * 4], 4);
        out += 3;
    }
    text.resize(frame.size() * 3);
}

} // namespace

void HandleKissFrame(Module1& m, ReaderHost& host, Bytes frame, std::uint64_t offset)
{
    m.FrameLength = static_cast<std::int64_t>(frame.size());
    ++m.Import.Units;
    if (frame[0] == TimeFrameType) {
        ++m.Import.TimeUnits;
        SetFrameTime(m, frame);
    } else if (frame.size() < 20) {
        // No packet kind at position 20: the frame cannot be stored.
        ++m.Import.TooShort;
    } else if (MatchesPacketHeader(frame)) {
        // Only a packet needs the frame buffer: the decoders read it there.
        PutIntoFrameBuffer(m, 1, frame);
        m.FrameOffset = offset;
        if (DispatchPacket(m, true) != 0 && host.WantsDumpLines()) {
            SetHexText(m.FrameHexText, frame);
            host.AppendDumpLine(m.FrameHexText);
        }
    } else {
        ++m.Import.OtherHeader;
    }
}

ReadResult ReadKissFile(Module1& m, ReaderHost& host, const std::string& path)
{
    return ReadCaptureWith(m, host, path, [&](CaptureFile& file, EventPump& pump) {
        m.ShowTimeSpan = false;
        std::vector<std::uint8_t> scratch;
        auto onFrame = [&](Bytes escaped, std::uint64_t offset) {
            if (pump.Cancelled())
                return;
            HandleKissFrame(m, host, UnescapeKissFrame(escaped, scratch, m.Import.BadEscapes), offset);
            pump.Tick();
        };

        KissFrameCutter cutter;
        for (std::string_view chunk = file.NextChunk(); !chunk.empty() && !pump.Cancelled(); chunk = file.NextChunk())
            cutter.Feed(chunk, onFrame);
        cutter.Finish(onFrame);
    });
}
