#pragma once

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
