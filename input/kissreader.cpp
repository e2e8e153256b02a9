// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturereaders.h"
#include "dispatch.h"
#include "kissframecutter.h"
#include "kissframes.h"
#include "readerskeleton.h"

#include <array>
#include <cstring>
#include <span>

namespace {

constexpr std::uint8_t FESC = 0xDB;
constexpr std::uint8_t TimeFrameType = 9;

using Bytes = KissFrameCutter::Bytes;

// The time a time frame gives the frames after it. A gr-satellites stamp (8
// bytes after the type byte, the first 0x00) is a big-endian count of
// milliseconds since 1970 and gets a readable text; any other time frame is
// its text, one character per byte, as far as the frame buffer reaches.
// The store is told when the text is exactly its instant written out.
void SetFrameTime(Module1& m, ReadingState& state, Bytes frame)
{
    const Bytes content = frame.subspan(1);
    if (content.size() == 8 && content[0] == 0x00) {
        Instant stamp = 0;
        for (const std::uint8_t b : content)
            stamp = stamp << 8 | b;
        state.Reception.At = stamp;
        std::array<char, TimeTextSize> text{};
        if (state.TimeRenderer.Render(stamp, text)) {
            m.FrameTimeText.assign(text.data(), text.size());
            m.Table.NoteTimeForm(m.FrameTimeText, stamp, TimeForm::Milliseconds);
        } else {
            m.FrameTimeText = FormatTimeText(stamp);
        }
        return;
    }
    // Read from the frame, not from the copy just written: reading bytes
    // right after writing them stalls. (The copy is cut after it is made: a
    // copy of a length the compiler knows to be short becomes a slow string
    // instruction.)
    const std::string_view whole(reinterpret_cast<const char*>(content.data()), content.size());
    const std::string_view text = whole.substr(0, FrameBufferSize - 1);
    state.Reception.At = state.TimeParser.Parse(text).value_or(UnknownInstant);
    m.FrameTimeText.resize(whole.size());
    std::memcpy(m.FrameTimeText.data(), whole.data(), whole.size());
    if (whole.size() > text.size())
        m.FrameTimeText.resize(text.size());
    m.Table.NoteTimeForm(text, state.Reception.At, state.TimeParser.Form());
}

} // namespace

void HandleKissFrame(
    Module1& m, ReaderHost& host, ReadingState& state, Bytes frame, std::uint64_t offset, bool rereadable)
{
    ++m.Import.Units;
    if (frame[0] == TimeFrameType) {
        ++m.Import.TimeUnits;
        SetFrameTime(m, state, frame);
    } else if (m.Described) {
        // A described satellite's frame is what follows the type byte of a
        // data frame; the description decides what it holds.
        state.Reception.Offset = offset;
        if ((frame[0] & 0x0F) != 0)
            ++m.Import.OtherHeader;
        else
            DispatchDescribed(m, host, frame.subspan(1), state.Reception, true, rereadable, frame[0]);
    } else if (frame.size() < 20) {
        // No packet kind at position 20: the frame cannot be stored.
        ++m.Import.TooShort;
    } else if (MatchesPacketHeader(frame)) {
        // Only a packet needs the frame buffer: the decoders read it there.
        PutIntoFrameBuffer(m, 1, frame);
        state.Reception.Offset = offset;
        if (DispatchPacket(m, true, state.Reception) != 0 && host.WantsDumpLines()
            && !(rereadable && host.AppendDumpFrame(state.Reception.File, offset, frame.size()))) {
            SetHexText(m.FrameHexText, frame);
            if (!state.DumpNote.empty())
                m.FrameHexText.insert(0, state.DumpNote);
            host.AppendDumpLine(m.FrameHexText);
        }
    } else {
        ++m.Import.OtherHeader;
    }
}

ReadResult ReadKissFile(Module1& m, ReaderHost& host, const std::string& path)
{
    return ReadCaptureWith(m, host, path, [&](CaptureFile& file, EventPump& pump, ReadingState& state) {
        m.ShowTimeSpan = false;
        std::vector<std::uint8_t> scratch;
        // Most frames hold no FESC: the chunk at hand is searched for the
        // next one once for all the frames before it.
        std::uintptr_t chunkBegin = 0;
        std::uintptr_t chunkEnd = 0;
        const std::uint8_t* nextFesc = nullptr; // the first at or after the frame searched last, or chunkEnd
        auto onFrame = [&](Bytes escaped, std::uint64_t offset) {
            const std::uint8_t* begin = escaped.data();
            // The cutter hands on no empty frame: FEND FEND is passed over.
            if (pump.Cancelled() || begin == nullptr)
                return;
            const std::uint8_t* end = begin + escaped.size();
            Bytes frame;
            if (reinterpret_cast<std::uintptr_t>(begin) >= chunkBegin
                && reinterpret_cast<std::uintptr_t>(end) <= chunkEnd) {
                if (!nextFesc || nextFesc < begin) {
                    const std::size_t rest = chunkEnd - reinterpret_cast<std::uintptr_t>(begin);
                    const auto* found = static_cast<const std::uint8_t*>(std::memchr(begin, FESC, rest));
                    nextFesc = found ? found : begin + rest;
                }
                frame
                    = nextFesc < end ? UnescapeKissFrameFrom(escaped, nextFesc, scratch, m.Import.BadEscapes) : escaped;
            } else {
                frame = UnescapeKissFrame(escaped, scratch, m.Import.BadEscapes); // begun in an earlier chunk
            }
            HandleKissFrame(m, host, state, frame, offset);
            pump.Tick();
        };

        KissFrameCutter cutter;
        for (std::string_view chunk = file.NextChunk(); !chunk.empty() && !pump.Cancelled(); chunk = file.NextChunk()) {
            chunkBegin = reinterpret_cast<std::uintptr_t>(chunk.data());
            chunkEnd = chunkBegin + chunk.size();
            nextFesc = nullptr;
            cutter.Feed(chunk, onFrame);
        }
        chunkBegin = chunkEnd = 0;
        cutter.Finish(onFrame);
    });
}
