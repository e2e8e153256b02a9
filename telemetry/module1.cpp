#include "module1.h"

TelemetryTable::TelemetryTable()
    : timeEnds_{0}
{
}

const TelemetryRecord& TelemetryTable::Record(std::int64_t n) const
{
    static const TelemetryRecord empty{};
    if (n < 1 || n > size_)
        return empty;
    const std::int64_t i = n - 1;
    return (*blocks_[static_cast<std::size_t>(i / BlockSize)])[static_cast<std::size_t>(i % BlockSize)];
}

TelemetryRecord& TelemetryTable::RecordForWrite(std::int64_t n)
{
    // Records are numbered from 1; a lower number is clamped so that no caller
    // can write outside the table.
    if (n < 1)
        n = 1;
    const std::int64_t i = n - 1;
    const auto block = static_cast<std::size_t>(i / BlockSize);
    while (blocks_.size() <= block)
        blocks_.push_back(std::make_unique<Block>());
    if (n > size_)
        size_ = n;
    return (*blocks_[block])[static_cast<std::size_t>(i % BlockSize)];
}

void TelemetryTable::SetPacket1Time(std::int64_t n, std::string_view time)
{
    RecordForWrite(n).Packet1TimeId = InternTime(time);
}

void TelemetryTable::SetPacket2Time(std::int64_t n, std::string_view time)
{
    RecordForWrite(n).Packet2TimeId = InternTime(time);
}

void TelemetryTable::Clear()
{
    blocks_.clear();
    size_ = 0;
    timeChars_.clear();
    timeEnds_.assign(1, 0);
}

std::size_t TelemetryTable::MemoryBytes() const
{
    return blocks_.size() * sizeof(Block) + blocks_.capacity() * sizeof(blocks_[0]) + timeChars_.capacity()
        + timeEnds_.capacity() * sizeof(std::size_t);
}

std::uint32_t TelemetryTable::InternTime(std::string_view time)
{
    if (time.empty())
        return 0;
    // Consecutive packets usually share the time of one time frame.
    const auto last = static_cast<std::uint32_t>(timeEnds_.size() - 1);
    if (last > 0 && TimeText(last) == time)
        return last;
    timeChars_.append(time);
    timeEnds_.push_back(timeChars_.size());
    return last + 1;
}

std::string_view TelemetryTable::TimeText(std::uint32_t id) const
{
    if (id == 0 || id >= timeEnds_.size())
        return {};
    const std::size_t begin = timeEnds_[id - 1];
    return std::string_view(timeChars_).substr(begin, timeEnds_[id] - begin);
}
