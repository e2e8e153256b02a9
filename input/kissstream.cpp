// SPDX-License-Identifier: GPL-3.0-or-later
#include "kissstream.h"

#include "capturereaders.h"
#include "dispatch.h"
#include "kissframes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Whether files can be made in folder.
bool FolderTakesFiles(const fs::path& folder)
{
#ifdef _WIN32
    return _waccess(folder.c_str(), 2) == 0;
#else
    return access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

} // namespace

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

KissStream::~KissStream()
{
    if (recording_)
        std::fclose(recording_);
}

bool KissStream::Record(const std::string& path, std::string& error)
{
    // An existing capture is opened at once; a new one is made with the
    // first frame, so that a connection that never comes leaves no empty
    // file. Its folder must be there and take files now.
    std::error_code ec;
    const fs::path file(path);
    const bool exists = fs::exists(file, ec);
    errno = 0;
    if (exists)
        recording_ = std::fopen(path.c_str(), "ab");
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const bool ready = exists ? recording_ != nullptr : fs::is_directory(folder, ec) && FolderTakesFiles(folder);
    if (!ready) {
        if (!exists && errno == 0)
            errno = fs::is_directory(folder, ec) ? EACCES : ENOENT;
        error = path + " could not be opened for recording: " + std::strerror(errno ? errno : EIO);
        return false;
    }
    recordingPath_ = path;
    return true;
}

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
    const std::uint64_t offset = recordingPath_.empty() ? streamOffset : RecordFrames(data_, time, streamOffset);
    // As a capture has it: the time frame, then the data frame.
    m_.FrameTimeText = time;
    state_.Reception.At = now;
    ++m_.Import.Units;
    ++m_.Import.TimeUnits;
    // Frames recorded can be read again from the recording.
    HandleKissFrame(m_, host_, state_, data_, offset, recording_ != nullptr && recordingError_.empty());
    FlushDescribed(m_, host_); // a live frame is shown as it comes
}

std::uint64_t KissStream::RecordFrames(KissFrameCutter::Bytes data, const std::string& time, std::uint64_t streamOffset)
{
    errno = 0;
    if (!recording_ && recordingError_.empty() && !(recording_ = std::fopen(recordingPath_.c_str(), "ab")))
        recordingError_ = recordingPath_ + " could not be opened for recording: " + std::strerror(errno ? errno : EIO);
    if (!recording_)
        return streamOffset;
    const long start = std::ftell(recording_);
    std::vector<std::uint8_t> timeFrame{9};
    timeFrame.insert(timeFrame.end(), time.begin(), time.end());
    escaped_.clear();
    AppendEscapedKissFrame(escaped_, timeFrame);
    const std::size_t dataStart = escaped_.size() + 1; // after the data frame's opening FEND
    AppendEscapedKissFrame(escaped_, data);
    if (std::fwrite(escaped_.data(), 1, escaped_.size(), recording_) != escaped_.size()
        || std::fflush(recording_) != 0) {
        if (recordingError_.empty())
            recordingError_ = recordingPath_ + " could not be written: " + std::strerror(errno ? errno : EIO);
    }
    return static_cast<std::uint64_t>(start < 0 ? 0 : start) + dataStart;
}
