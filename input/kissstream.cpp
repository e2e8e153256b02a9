// SPDX-License-Identifier: GPL-3.0-or-later
#include "kissstream.h"

#include "capturereaders.h"
#include "describe/describedsatellite.h"
#include "dispatch.h"
#include "kissframes.h"

KissStream::KissStream(Module1& m, ReaderHost& host, std::string source)
    : m_(m)
    , host_(host)
{
    BeginDataSet(m_);
    host_.ClearDump();
    m_.CurrentFileName = source;
    m_.ShowTimeSpan = false;
    m_.Import = ImportSummary{};
    m_.Import.File = std::move(source);
    m_.Import.Kind = CaptureKindName(CaptureKind::Kiss);
    m_.Import.Unit = CaptureKindOf(CaptureKind::Kiss).Unit;
    if (m_.Described)
        m_.Import.Described = m_.Described->Id();
    m_.Imports.assign(1, m_.Import);
}

bool KissStream::Record(const std::string& path, std::string& error) { return recording_.Open(path, error); }

void KissStream::Connected() { cutter_.Abandon(); }

void KissStream::Disconnected()
{
    if (cutter_.Abandon())
        ++counters_.Incomplete;
}

void KissStream::Feed(std::string_view bytes, Instant now)
{
    auto onFrame = [&](KissFrameCutter::Bytes escaped, std::uint64_t offset) { HandleFrame(escaped, offset, now); };
    const std::int64_t overlong = cutter_.Overlong();
    cutter_.Feed(bytes, onFrame);
    counters_.Oversized += cutter_.Overlong() - overlong;
    counters_.BytesReceived += bytes.size();
    m_.Imports.back() = m_.Import;
}

void KissStream::HandleFrame(KissFrameCutter::Bytes escaped, std::uint64_t streamOffset, Instant now)
{
    const KissFrameCutter::Bytes frame = UnescapeKissFrame(escaped, scratch_, m_.Import.BadEscapes);
    if (frame.size() > MaxFrame) {
        ++counters_.Oversized;
        return;
    }
    // The low nibble of the type byte is the command, the high one the TNC's
    // port: data frames of every port are received frames.
    if ((frame[0] & 0x0F) != 0) {
        ++counters_.CommandFrames;
        return;
    }
    ++counters_.Frames;
    data_.assign(frame.begin(), frame.end());
    data_[0] = 0;
    const std::string time = FormatTimeText(now);
    const std::uint64_t offset = recording_.IsOpen() ? recording_.Append(data_, time, streamOffset) : streamOffset;
    // As a capture has it: the time frame, then the data frame.
    m_.FrameTimeText = time;
    state_.Reception.At = now;
    ++m_.Import.Units;
    ++m_.Import.TimeUnits;
    // Frames recorded can be read again from the recording.
    HandleKissFrame(m_, host_, state_, data_, offset, recording_.Readable());
    FlushDescribed(m_, host_); // a live frame is shown as it comes
}
