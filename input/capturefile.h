// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// What a reader tells its caller: whether the file could be read, and if not,
// the message to show ("cannot open <path>: <reason>").
struct ReadResult {
    bool Ok = true;
    std::string Message;

    static ReadResult Failure(std::string message) { return {false, std::move(message)}; }
};

// A capture file read in large chunks, so that a file of any size streams
// through a fixed amount of memory. A regular file larger than one chunk is
// read ahead on a thread of its own into a second buffer while the caller
// works through the first, so that the kernel's copying overlaps the work.
// A file that grows or shrinks while it is read is read up to where it ends
// when the reading gets there.
class CaptureFile {
public:
    CaptureFile() = default;
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    ~CaptureFile();

    // Opens path for reading, to be read in chunks of at most maxChunk bytes;
    // on failure the result says why.
    // A file read only in part (its head, say) is not read ahead.
    enum class Ahead { Read, DoNotRead };
    ReadResult Open(const std::string& path, std::size_t maxChunk = 1 << 20, Ahead ahead = Ahead::Read);
    // The next chunk, empty at the end of the file or after a read error.
    std::string_view NextChunk();
    // Set once a read failed after the file was opened.
    const ReadResult& Status() const { return status_; }
    // Bytes handed out so far, and the file's size when it was opened.
    std::uint64_t BytesRead() const { return bytesRead_; }
    std::uint64_t Size() const { return size_; }

private:
    struct Chunk {
        std::vector<char> Bytes;
        std::size_t Size = 0;
        bool Filled = false; // read and not yet handed out
        bool Failed = false; // the read of it failed, with Error
        int Error = 0;
    };

    // Reads the next chunk into chunk; false after the end or an error.
    bool Fill(Chunk& chunk);
    void ReadAhead();
    void StopReadingAhead();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::array<Chunk, 2> chunks_;
    std::size_t next_ = 0;       // the chunk NextChunk hands out next
    Chunk* handedOut_ = nullptr; // and the one it handed out last
    ReadResult status_;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t size_ = 0;
    bool ended_ = false;

    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
};

// The whole content of a file, one character per byte; empty when the file
// cannot be read.
std::string ReadWholeFile(const std::string& path);

// Where a frame or line that starts at offset stands in the capture at
// path, as a person finds it: "line 12" in a capture of lines (counted up to
// there), "byte 1234" in any other, or where it is no regular file (a pipe
// is never read twice) or cannot be read again.
std::string PlaceInCapture(const std::string& path, std::uint64_t offset, bool lines);
