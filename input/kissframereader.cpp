// SPDX-License-Identifier: GPL-3.0-or-later
#include "kissframereader.h"

#include "dispatch.h"
#include "kissframes.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t FEND = 0xC0;

bool SeekTo(std::FILE* file, std::uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

} // namespace

std::FILE* KissFrameReader::Open(std::uint32_t file, const std::string& path)
{
    if (files_.size() <= file)
        files_.resize(file + 1, nullptr);
    if (!files_[file])
        files_[file] = std::fopen(path.c_str(), "rb");
    return files_[file];
}

void KissFrameReader::Close()
{
    for (std::FILE*& file : files_)
        if (file) {
            std::fclose(file);
            file = nullptr;
        }
    files_.clear();
}

std::string KissFrameReader::DumpLine(std::uint32_t file, const std::string& path, std::uint64_t offset)
{
    std::FILE* capture = Open(file, path);
    // The frame runs to the next FEND, or to the end of the file.
    escaped_.clear();
    bool ended = false;
    if (capture && SeekTo(capture, offset)) {
        std::uint8_t chunk[1024];
        while (!ended) {
            const std::size_t got = std::fread(chunk, 1, sizeof chunk, capture);
            const auto* end = static_cast<const std::uint8_t*>(std::memchr(chunk, FEND, got));
            const std::uint8_t* first = chunk;
            escaped_.insert(escaped_.end(), first, end ? end : first + got);
            ended = end != nullptr || got < sizeof chunk;
        }
    }
    std::int64_t badEscapes = 0;
    const KissFrameCutter::Bytes frame = escaped_.empty()
        ? KissFrameCutter::Bytes()
        : UnescapeKissFrame(KissFrameCutter::Bytes(escaped_.data(), escaped_.size()), scratch_, badEscapes);
    // What was stored from there began with a satellite's header.
    if (frame.size() < 20 || !MatchesPacketHeader(frame))
        return "(no frame at byte " + std::to_string(offset) + " of " + path
            + " any more: the capture has changed since it was read)";
    return KissDumpLine(frame);
}
