// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

std::string Reason(int error) { return std::strerror(error); }

} // namespace

CaptureFile::~CaptureFile()
{
    StopReadingAhead();
    if (file_)
        std::fclose(file_);
}

ReadResult CaptureFile::Open(const std::string& path, std::size_t maxChunk, Ahead ahead)
{
    path_ = path;
    const std::filesystem::path fsPath(path);
    std::error_code ec;
    if (std::filesystem::is_directory(fsPath, ec))
        return ReadResult::Failure("cannot open " + path + ": it is a folder, not a file");
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return ReadResult::Failure("cannot open " + path + ": " + Reason(errno ? errno : ENOENT));
    // A small capture needs no more than its own size; a file that grows
    // while it is read still streams through in several chunks.
    const std::uintmax_t size = std::filesystem::file_size(fsPath, ec);
    size_ = ec ? 0 : size;
    const std::size_t small = std::min<std::size_t>(4096, maxChunk);
    const std::size_t chunk
        = ec ? maxChunk : static_cast<std::size_t>(std::clamp<std::uintmax_t>(size + 1, small, maxChunk));
    chunks_[0].Bytes.resize(chunk);
    // Reading ahead pays off from the second chunk on, and only a regular
    // file is sure to answer each read (a pipe might wait for ever).
    if (ahead == Ahead::Read && !ec && size >= chunk && std::filesystem::is_regular_file(fsPath, ec)) {
        chunks_[1].Bytes.resize(chunk);
        reader_ = std::thread([this] { ReadAhead(); });
    }
    return {};
}

bool CaptureFile::Fill(Chunk& chunk)
{
    errno = 0;
    chunk.Size = std::fread(chunk.Bytes.data(), 1, chunk.Bytes.size(), file_);
    if (chunk.Size == 0 && std::ferror(file_)) {
        chunk.Failed = true;
        chunk.Error = errno ? errno : EIO;
    }
    return chunk.Size > 0;
}

void CaptureFile::ReadAhead()
{
    for (std::size_t i = 0;; i = 1 - i) {
        Chunk& chunk = chunks_[i];
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || !chunk.Filled; });
            if (stop_)
                return;
        }
        // The chunk is this thread's until it is marked filled.
        const bool more = Fill(chunk);
        {
            const std::lock_guard lock(mutex_);
            chunk.Filled = true;
        }
        changed_.notify_all();
        if (!more)
            return;
    }
}

void CaptureFile::StopReadingAhead()
{
    if (!reader_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

std::string_view CaptureFile::NextChunk()
{
    if (!file_ || !status_.Ok || ended_)
        return {};
    Chunk* chunk = &chunks_[0];
    if (reader_.joinable()) {
        // The chunk handed out before goes back to the reading thread.
        chunk = &chunks_[next_];
        std::unique_lock lock(mutex_);
        if (handedOut_) {
            handedOut_->Filled = false;
            changed_.notify_all();
        }
        handedOut_ = chunk;
        changed_.wait(lock, [&] { return chunk->Filled; });
        next_ = 1 - next_;
    } else {
        Fill(*chunk);
    }
    if (chunk->Failed)
        status_ = ReadResult::Failure("cannot read " + path_ + ": " + Reason(chunk->Error));
    ended_ = chunk->Size == 0;
    bytesRead_ += chunk->Size;
    return {chunk->Bytes.data(), chunk->Size};
}

std::string ReadWholeFile(const std::string& path)
{
    CaptureFile file;
    std::string content;
    if (!file.Open(path).Ok)
        return content;
    for (std::string_view chunk = file.NextChunk(); !chunk.empty(); chunk = file.NextChunk())
        content.append(chunk);
    return content;
}

std::string PlaceInCapture(const std::string& path, std::uint64_t offset, bool lines)
{
    // Only a regular file is read again: a second reader of a pipe would
    // take lines from the reading under way.
    std::error_code ec;
    if (lines && std::filesystem::is_regular_file(path, ec)) {
        CaptureFile file;
        if (file.Open(path, 1 << 16, CaptureFile::Ahead::DoNotRead).Ok) {
            std::uint64_t line = 1;
            std::uint64_t left = offset;
            for (std::string_view chunk; left > 0 && !(chunk = file.NextChunk()).empty();) {
                const std::string_view part
                    = chunk.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size())));
                line += static_cast<std::uint64_t>(std::count(part.begin(), part.end(), '\n'));
                left -= part.size();
            }
            if (left == 0)
                return "line " + std::to_string(line);
        }
    }
    return "byte " + std::to_string(offset);
}
