#pragma once

#include "readerhost.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// What a reader tells its caller: whether the file could be read, and if not,
// the message to show ("cannot open <path>: <reason>").
struct ReadResult {
    bool Ok = true;
    std::string Message;

    static ReadResult Failure(std::string message) { return {false, std::move(message)}; }
};

// A capture file read in large chunks, so that a file of any size streams
// through a fixed amount of memory.
class CaptureFile {
public:
    CaptureFile() = default;
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    ~CaptureFile();

    // Opens path for reading, to be read in chunks of at most maxChunk bytes;
    // on failure the result says why.
    ReadResult Open(const std::string& path, std::size_t maxChunk = 1 << 20);
    // The next chunk, empty at the end of the file or after a read error.
    std::string_view NextChunk();
    // Set once a read failed after the file was opened.
    const ReadResult& Status() const { return status_; }
    // Bytes handed out so far, and the file's size when it was opened.
    std::uint64_t BytesRead() const { return bytesRead_; }
    std::uint64_t Size() const { return size_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::vector<char> buffer_;
    ReadResult status_;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t size_ = 0;
};

// The whole content of a file, one character per byte; empty when the file
// cannot be read.
std::string ReadWholeFile(const std::string& path);

// Hands the window its pending events at most every few tens of milliseconds,
// however many frames pass in between, with how far the file is read; after
// the events it asks whether the user cancelled the reading.
class EventPump {
public:
    EventPump(ReaderHost& host, const CaptureFile& file)
        : host_(host)
        , file_(file)
        , last_(std::chrono::steady_clock::now())
    {
    }

    // Called once per frame or line; progress, when given, is shown to the
    // host right before it gets its events.
    void Tick(std::int64_t progress = -1)
    {
        if (++ticks_ % 64 != 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < Interval)
            return;
        last_ = now;
        if (progress >= 0)
            host_.ShowProgress(progress);
        host_.ShowReadProgress(file_.BytesRead(), file_.Size());
        host_.ProcessPendingEvents();
        cancelled_ = host_.CancelRequested();
    }

    bool Cancelled() const { return cancelled_; }

    static constexpr std::chrono::milliseconds Interval{20};

private:
    ReaderHost& host_;
    const CaptureFile& file_;
    std::chrono::steady_clock::time_point last_;
    std::uint32_t ticks_ = 0;
    bool cancelled_ = false;
};

// Splits a stream of chunks into lines. LfOnly ends a line at LF alone (the
// line keeps a CR before it); AnyLineEnd ends it at CR LF, CR or LF.
enum class LineEnds { LfOnly, AnyLineEnd };

class LineSplitter {
public:
    explicit LineSplitter(LineEnds ends)
        : ends_(ends)
    {
    }

    // Calls onLine(line) for every line completed in chunk.
    template <typename OnLine>
    void Feed(std::string_view chunk, OnLine&& onLine);
    // The text after the last line end, if any (possibly empty).
    std::string_view Rest() const { return carry_; }

private:
    template <typename OnLine>
    void Emit(std::string_view piece, OnLine& onLine);

    LineEnds ends_;
    std::string carry_;
    bool skipLf_ = false; // the last chunk ended in CR: an LF right after it belongs to it
};

template <typename OnLine>
void LineSplitter::Emit(std::string_view piece, OnLine& onLine)
{
    if (carry_.empty()) {
        onLine(piece);
    } else {
        carry_.append(piece);
        onLine(std::string_view(carry_));
        carry_.clear();
    }
}

template <typename OnLine>
void LineSplitter::Feed(std::string_view chunk, OnLine&& onLine)
{
    std::size_t pos = 0;
    if (skipLf_ && !chunk.empty()) {
        if (chunk[0] == '\n')
            pos = 1;
        skipLf_ = false;
    }
    while (pos < chunk.size()) {
        const std::size_t end = ends_ == LineEnds::LfOnly ? chunk.find('\n', pos) : chunk.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            carry_.append(chunk.substr(pos));
            return;
        }
        Emit(chunk.substr(pos, end - pos), onLine);
        pos = end + 1;
        if (chunk[end] == '\r') {
            if (pos < chunk.size()) {
                if (chunk[pos] == '\n')
                    ++pos;
            } else {
                skipLf_ = true;
            }
        }
    }
}
