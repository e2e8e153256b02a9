// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputfile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Gives the file open as file the mode, and where permitted the owner and
// group, of the existing file at path, which it is about to replace.
void TakeOverAttributes([[maybe_unused]] std::FILE* file, [[maybe_unused]] const std::string& path)
{
#ifndef _WIN32
    struct stat existing { };
    if (::stat(path.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode))
        return;
    const int fd = fileno(file);
    // The group alone may be given where the owner may not; where neither
    // may, the file stays the process's own.
    [[maybe_unused]] const bool owned
        = fchown(fd, existing.st_uid, existing.st_gid) == 0 || fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
    // The mode after the owner: a change of owner may clear its set-id bits.
    [[maybe_unused]] const bool modeKept = fchmod(fd, existing.st_mode & 07777) == 0;
#endif
}

// Keeps "<file> could not be written: <reason>" in message, unless it holds
// an earlier failure already.
void NoteWriteFailure(std::string& message, const std::string& file, int error)
{
    if (message.empty())
        message = file + " could not be written: " + std::strerror(error ? error : EIO);
}

} // namespace

AtomicFile::AtomicFile(std::string target)
    : target_(std::move(target))
{
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Fail(int error) { NoteWriteFailure(error_, target_, error); }

void AtomicFile::Discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!direct_ && !temp_.empty()) {
        std::error_code ec;
        fs::remove(fs::path(temp_), ec);
        temp_.clear();
    }
}

bool AtomicFile::Open()
{
    std::error_code ec;
    // A link stays a link: the file it points to is the one replaced.
    written_ = FollowLinks(target_);
    const fs::path target(written_);
    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && fs::is_directory(status)) {
        error_ = target_ + " could not be written: it is a folder";
        return false;
    }
    direct_ = fs::exists(status) && !fs::is_regular_file(status);
    if (direct_) {
        errno = 0;
        file_ = std::fopen(written_.c_str(), "wb");
        if (!file_)
            Fail(errno);
        return file_ != nullptr;
    }
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        std::string candidate = written_ + ".tmp" + std::to_string(attempt);
        if (fs::exists(fs::path(candidate), ec))
            continue;
        errno = 0;
        file_ = std::fopen(candidate.c_str(), "wb");
        if (!file_) {
            Fail(errno);
            return false;
        }
        temp_ = std::move(candidate);
        TakeOverAttributes(file_, written_);
    }
    if (!file_)
        Fail(EEXIST);
    return file_ != nullptr;
}

void AtomicFile::Write(std::string_view text)
{
    if (!file_ || !error_.empty() || text.empty())
        return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        Fail(errno);
}

void AtomicFile::Truncate()
{
    if (!file_ || !error_.empty())
        return;
    errno = 0;
    if (std::fflush(file_) != 0) {
        Fail(errno);
        return;
    }
    std::error_code ec;
    if (!direct_)
        fs::resize_file(fs::path(temp_), 0, ec);
    if (ec)
        Fail(ec.value());
    std::rewind(file_);
}

bool AtomicFile::Commit()
{
    if (!file_)
        return false;
    errno = 0;
    if (std::fflush(file_) != 0)
        Fail(errno);
    errno = 0;
    if (std::fclose(file_) != 0)
        Fail(errno);
    file_ = nullptr;
    if (!error_.empty()) {
        Discard();
        return false;
    }
    if (!direct_) {
        std::error_code ec;
        fs::rename(fs::path(temp_), fs::path(written_), ec);
        if (ec) {
            error_ = target_ + " could not be written: " + ec.message();
            Discard();
            return false;
        }
        temp_.clear();
    }
    return true;
}

AppendingFile::AppendingFile(std::string path)
    : path_(std::move(path))
{
}

AppendingFile::~AppendingFile() { Close(); }

void AppendingFile::Fail(int error) { NoteWriteFailure(error_, path_, error); }

bool AppendingFile::Open()
{
    errno = 0;
    file_ = std::fopen(path_.c_str(), "ab");
    if (!file_)
        Fail(errno);
    return file_ != nullptr;
}

void AppendingFile::Write(std::string_view text)
{
    errno = 0;
    if (file_ && error_.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        Fail(errno);
}

void AppendingFile::Flush()
{
    errno = 0;
    if (file_ && error_.empty() && std::fflush(file_) != 0)
        Fail(errno);
}

bool AppendingFile::Close()
{
    Flush();
    errno = 0;
    if (file_ && std::fclose(file_) != 0)
        Fail(errno);
    file_ = nullptr;
    return error_.empty();
}

WriteResult WriteOutputFile(const std::string& path, const std::function<void(TextSink&)>& write)
{
    AtomicFile file(path);
    if (file.Open()) {
        write(file);
        if (file.Commit())
            return {true, path + " has been written"};
    }
    return {false, file.Error()};
}

std::string FollowLinks(const std::string& path)
{
    fs::path p(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        const fs::path next = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

std::size_t FileNameStart(std::string_view path)
{
#ifdef _WIN32
    const std::size_t sep = path.find_last_of("/\\");
#else
    const std::size_t sep = path.rfind('/');
#endif
    return sep == std::string_view::npos ? 0 : sep + 1;
}

std::string OutputFileName(std::string_view capturePath, std::string_view ending)
{
    const std::size_t nameStart = FileNameStart(capturePath);
    const std::size_t dot = capturePath.find('.', nameStart);
    std::string name(capturePath.substr(0, dot));
    name.append(ending);
    return name;
}

std::string PictureFileName(std::string_view imagePath, std::string_view capturePath, std::string_view ending)
{
    std::string_view name = capturePath.substr(FileNameStart(capturePath));
    // A leading dot starts a hidden file's name, not its extension.
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    std::string path(imagePath);
    path.append("nv_").append(name).append(ending);
    return path;
}
