// SPDX-License-Identifier: GPL-3.0-or-later
#include "dumphost.h"

#include "stopsignals.h"

#include <algorithm>

void DumpHost::BeginFile(std::string_view path, std::size_t index, std::size_t count)
{
    path_ = path;
    index_ = index;
    count_ = count;
}

void DumpHost::ShowReadProgress(std::uint64_t bytesRead, std::uint64_t fileSize)
{
    if (!progress_ || fileSize < (4u << 20))
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < std::chrono::milliseconds(200))
        return;
    lastProgress_ = now;
    const auto percent = static_cast<int>(100 * std::min(bytesRead, fileSize) / fileSize);
    progress_->Write("\rreading " + path_ + " (file " + std::to_string(index_ + 1) + " of " + std::to_string(count_)
        + "): " + std::to_string(percent) + "%\x1b[K");
    progressShown_ = true;
}

void DumpHost::EndProgress()
{
    if (progressShown_)
        progress_->Write("\r\x1b[K");
    progressShown_ = false;
}

void DumpHost::AppendDumpLine(std::string_view line)
{
    if (!file_ && !memory_)
        return;
    buffer_.append(line);
    buffer_.append("\r\n");
    if (buffer_.size() >= (1 << 20))
        Flush();
}

void DumpHost::ClearDump()
{
    buffer_.clear();
    if (file_)
        file_->Truncate();
    if (memory_)
        memory_->clear();
}

void DumpHost::Flush()
{
    if (file_)
        file_->Write(buffer_);
    if (memory_)
        memory_->append(buffer_);
    buffer_.clear();
}

bool DumpHost::CancelRequested() { return StopSignals::Received() != 0; }
