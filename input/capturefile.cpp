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
    if (file_)
        std::fclose(file_);
}

ReadResult CaptureFile::Open(const std::string& path, std::size_t maxChunk)
{
    path_ = path;
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(path), ec))
        return ReadResult::Failure("cannot open " + path + ": it is a folder, not a file");
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return ReadResult::Failure("cannot open " + path + ": " + Reason(errno ? errno : ENOENT));
    // A small capture needs no more than its own size; a file that grows
    // while it is read still streams through in several chunks.
    const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(path), ec);
    size_ = ec ? 0 : size;
    const std::size_t small = std::min<std::size_t>(4096, maxChunk);
    buffer_.resize(ec ? maxChunk : static_cast<std::size_t>(std::clamp<std::uintmax_t>(size + 1, small, maxChunk)));
    return {};
}

std::string_view CaptureFile::NextChunk()
{
    if (!file_ || !status_.Ok)
        return {};
    const std::size_t n = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (n == 0 && std::ferror(file_))
        status_ = ReadResult::Failure("cannot read " + path_ + ": " + Reason(errno ? errno : EIO));
    bytesRead_ += n;
    return {buffer_.data(), n};
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
