// SPDX-License-Identifier: GPL-3.0-or-later
#include "kissrecorder.h"

#include "kissframes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

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

KissRecorder::~KissRecorder()
{
    if (file_)
        std::fclose(file_);
}

bool KissRecorder::Open(const std::string& path, std::string& error)
{
    // An existing capture is opened at once; its folder must be there and
    // take files now.
    std::error_code ec;
    const fs::path file(path);
    const bool exists = fs::exists(file, ec);
    errno = 0;
    if (exists)
        file_ = std::fopen(path.c_str(), "ab");
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const bool ready = exists ? file_ != nullptr : fs::is_directory(folder, ec) && FolderTakesFiles(folder);
    if (!ready) {
        if (!exists && errno == 0)
            errno = fs::is_directory(folder, ec) ? EACCES : ENOENT;
        error = path + " could not be opened for recording: " + std::strerror(errno ? errno : EIO);
        return false;
    }
    path_ = path;
    return true;
}

std::uint64_t KissRecorder::Append(std::span<const std::uint8_t> data, std::string_view time, std::uint64_t fallback)
{
    errno = 0;
    if (!file_ && error_.empty() && !(file_ = std::fopen(path_.c_str(), "ab")))
        error_ = path_ + " could not be opened for recording: " + std::strerror(errno ? errno : EIO);
    if (!file_)
        return fallback;
    const long start = std::ftell(file_);
    std::vector<std::uint8_t> timeFrame{9};
    timeFrame.insert(timeFrame.end(), time.begin(), time.end());
    escaped_.clear();
    AppendEscapedKissFrame(escaped_, timeFrame);
    const std::size_t dataStart = escaped_.size() + 1; // after the data frame's opening FEND
    AppendEscapedKissFrame(escaped_, data);
    if (std::fwrite(escaped_.data(), 1, escaped_.size(), file_) != escaped_.size() || std::fflush(file_) != 0) {
        if (error_.empty())
            error_ = path_ + " could not be written: " + std::strerror(errno ? errno : EIO);
    }
    return static_cast<std::uint64_t>(start < 0 ? 0 : start) + dataStart;
}
