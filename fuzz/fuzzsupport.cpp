// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzzsupport.h"

#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

std::string WriteCaptureFile(const std::uint8_t* data, std::size_t size)
{
    static const std::string path
        = (std::filesystem::temp_directory_path() / ("norvane-fuzz-" + std::to_string(getpid()))).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_REQUIRE(f != nullptr);
    FUZZ_REQUIRE(size == 0 || std::fwrite(data, 1, size, f) == size);
    FUZZ_REQUIRE(std::fclose(f) == 0);
    return path;
}

void CheckingHost::SetBusy(bool busy)
{
    CheckCounters();
    busy_ += busy ? 1 : -1;
    FUZZ_REQUIRE(busy_ == 0 || busy_ == 1);
}

void CheckingHost::AppendDumpLine(std::string_view line)
{
    CheckCounters();
    dump.emplace_back(line);
}

void CheckingHost::ShowProgress(std::int64_t lineNumber)
{
    FUZZ_REQUIRE(lineNumber > progress_);
    progress_ = lineNumber;
}

void CheckingHost::RefreshAtEndOfFile()
{
    CheckCounters();
    ++refreshes_;
}

void CheckingHost::CheckFinished() const
{
    FUZZ_REQUIRE(busy_ == 0);
    FUZZ_REQUIRE(refreshes_ == 1);
}

void CheckingHost::CheckCounters()
{
    FUZZ_REQUIRE(m_.RecordCount >= records_ && m_.Packet2Count >= packet2_);
    records_ = m_.RecordCount;
    packet2_ = m_.Packet2Count;
}

bool SameRecords(const Module1& a, const Module1& b)
{
    if (a.RecordCount != b.RecordCount || a.Packet2Count != b.Packet2Count)
        return false;
    for (std::int64_t r = 1; r <= a.HighestRecord(); ++r) {
        const TelemetryRecord& x = a.Table.Record(r);
        const TelemetryRecord& y = b.Table.Record(r);
        if (std::memcmp(x.Values.data(), y.Values.data(), sizeof x.Values) != 0)
            return false;
        if (a.Table.Packet1Time(r) != b.Table.Packet1Time(r) || a.Table.Packet2Time(r) != b.Table.Packet2Time(r))
            return false;
        for (const int kind : {1, 2}) {
            const PacketInfo p = a.Packet(kind, r);
            const PacketInfo q = b.Packet(kind, r);
            if (p.At != q.At || p.Offset != q.Offset || p.File != q.File || p.Satellite != q.Satellite)
                return false;
        }
    }
    return true;
}
