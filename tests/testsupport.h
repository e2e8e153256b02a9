// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/capturekinds.h"
#include "input/readerhost.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// Every capture kind of the kinds' table or, with detectableOnly, those that
// detection can tell (a SatNOGS export is shaped like a server log and is
// read as one unless it is named).
inline std::vector<CaptureKind> AllCaptureKinds(bool detectableOnly = false)
{
    std::vector<CaptureKind> kinds;
    for (const CaptureKindInfo& info : CaptureKinds())
        if (!detectableOnly || info.HeadTest || info.LineTest)
            kinds.push_back(info.Kind);
    return kinds;
}

// A reader host that remembers what the readers told it.
class RecordingHost : public ReaderHost {
public:
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    void AppendDumpLine(std::string_view line) override { dump.emplace_back(line); }
    bool WantsDumpLines() const override { return true; }
    void ClearDump() override
    {
        dump.clear();
        ++clears;
    }
    void RefreshAtEndOfFile() override { ++refreshes; }
    void BeginFile(std::string_view path, std::size_t, std::size_t) override { files.emplace_back(path); }
    // Sound recordings begin when the generator's captures do, so that
    // their records' times do not hang on the files' times.
    SoundOptions Sound() const override { return sound; }
    void FrameHeard(std::span<const std::uint8_t> frame, std::string_view) override
    {
        heard.emplace_back(frame.begin(), frame.end());
    }

    SoundOptions sound{Modem::Auto, 0, Instant{1458209700000}};
    std::vector<std::vector<std::uint8_t>> heard;
    std::vector<std::string> dump;
    std::vector<std::string> files;
    std::vector<bool> busyChanges;
    int refreshes = 0;
    int clears = 0;
};

// A folder of its own for one test, removed with it.
class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path()
            / ("norvane-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::string p = File(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes from a list of values, for frames written by hand.
inline std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (const int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}
