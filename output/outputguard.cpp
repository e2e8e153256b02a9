// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputguard.h"

#include "input/detect.h"
#include "outputfile.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    const fs::path pa(a);
    const fs::path pb(b);
    if (fs::exists(pa, ec) && fs::exists(pb, ec))
        return fs::equivalent(pa, pb, ec);
    // The folders that exist with their links followed, the rest as written;
    // a dangling link stands for the file it will make.
    auto canonical = [&](const fs::path& p) {
        return fs::weakly_canonical(fs::absolute(FollowLinks(p.string()), ec), ec).lexically_normal();
    };
    const fs::path ca = canonical(pa);
    const fs::path cb = canonical(pb);
    return !ec && ca == cb;
}

int StandardStreamOf(std::string_view path)
{
    if (path == "-" || path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1")
        return 1;
    if (path == "/dev/stderr" || path == "/dev/fd/2" || path == "/proc/self/fd/2")
        return 2;
    return 0;
}

std::string CaptureKindOfFile(const std::string& path)
{
    std::error_code ec;
    const fs::path p(path);
    if (!fs::is_regular_file(p, ec) || fs::file_size(p, ec) == 0 || ec)
        return {};
    const Detection detected = DetectCaptureFile(path);
    return detected.Kind ? std::string(CaptureKindName(*detected.Kind)) : std::string();
}

namespace {

bool IsRead(const std::string& path, std::span<const std::string> reads)
{
    for (const std::string& read : reads)
        if (read != "-" && SameFile(path, read))
            return true;
    return false;
}

// A device, a pipe or a socket: written in place, never replaced, and
// shared by outputs without harm (/dev/null).
bool IsSpecialFile(const std::string& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !ec && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

const char* StreamName(int stream) { return stream == 1 ? "standard output" : "standard error"; }

} // namespace

std::optional<std::string> CheckOutputs(std::span<const OutputTarget> outputs, std::span<const std::string> reads,
    bool force, std::span<const std::string> descriptions)
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputTarget& o = outputs[i];
        const int stream = StandardStreamOf(o.Path);
        const bool special = stream == 0 && IsSpecialFile(o.Path);
        for (std::size_t j = 0; j < i; ++j) {
            const OutputTarget& earlier = outputs[j];
            const int earlierStream = StandardStreamOf(earlier.Path);
            if (stream != 0 && stream == earlierStream)
                return earlier.Option + " and " + o.Option + " both go to " + StreamName(stream)
                    + "; give one of them a file";
            if (stream == 0 && earlierStream == 0 && !special && SameFile(o.Path, earlier.Path))
                return earlier.Option + " and " + o.Option + " both name " + o.Path + "; give each its own file";
        }
        if (stream != 0 || special)
            continue;
        if (IsRead(o.Path, reads))
            return o.Option + " " + o.Path + " would replace a capture this run reads; name another output file";
        if (IsRead(o.Path, descriptions))
            return o.Option + " " + o.Path + " would replace the description this run reads; name another output file";
        if (force)
            continue;
        const std::string kind = CaptureKindOfFile(o.Path);
        const std::string kiss = CaptureKindName(CaptureKind::Kiss);
        if (o.Records) {
            std::error_code ec;
            if (kind == kiss || !fs::exists(o.Path, ec) || fs::file_size(o.Path, ec) == 0 || ec)
                continue;
            return o.Option + " " + o.Path + ": " + o.Path + " holds no KISS capture"
                + (kind.empty() ? std::string() : " but a capture of kind " + kind)
                + "; name another recording, or give --force to append to it";
        }
        if (kind.empty())
            continue;
        return o.Option + " " + o.Path + ": " + o.Path + " is a capture (" + kind
            + "); name another output file, or give --force to " + (o.Appends ? "append to it" : "replace it");
    }
    return std::nullopt;
}

std::string FreeOutputName(const std::string& wanted, std::string_view ending, std::span<const std::string> reads)
{
    auto taken = [&](const std::string& name) { return IsRead(name, reads) || !CaptureKindOfFile(name).empty(); };
    if (!taken(wanted))
        return wanted;
    const std::string stem = wanted.substr(0, wanted.size() - std::min(wanted.size(), ending.size()));
    std::string name = stem + "-decoded" + std::string(ending);
    for (int n = 2; taken(name) && n < 1000; ++n)
        name = stem + "-decoded-" + std::to_string(n) + std::string(ending);
    return name;
}
