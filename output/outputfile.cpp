#include "outputfile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

AtomicFile::AtomicFile(std::string target)
    : target_(std::move(target))
{
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Fail(int error)
{
    if (error_.empty())
        error_ = target_ + " could not be written: " + std::strerror(error ? error : EIO);
}

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
    const fs::path target(target_);
    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && fs::is_directory(status)) {
        error_ = target_ + " could not be written: it is a folder";
        return false;
    }
    direct_ = fs::exists(status) && !fs::is_regular_file(status);
    if (direct_) {
        errno = 0;
        file_ = std::fopen(target_.c_str(), "wb");
        if (!file_)
            Fail(errno);
        return file_ != nullptr;
    }
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        std::string candidate = target_ + ".tmp" + std::to_string(attempt);
        if (fs::exists(fs::path(candidate), ec))
            continue;
        errno = 0;
        file_ = std::fopen(candidate.c_str(), "wb");
        if (!file_) {
            Fail(errno);
            return false;
        }
        temp_ = std::move(candidate);
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
        fs::rename(fs::path(temp_), fs::path(target_), ec);
        if (ec) {
            error_ = target_ + " could not be written: " + ec.message();
            Discard();
            return false;
        }
        temp_.clear();
    }
    return true;
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
