// SPDX-License-Identifier: GPL-3.0-or-later
#include "textlines.h"

#include <algorithm>
#include <cstring>

void TextLines::Append(std::string_view line)
{
    if (room_ < line.size()) {
        // A line longer than a block gets a block of its own size.
        const std::size_t size = std::max(BlockSize, line.size());
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        next_ = blocks_.back().get();
        room_ = size;
    }
    if (!line.empty())
        std::memcpy(next_, line.data(), line.size());
    lines_.emplace_back(next_, line.size());
    next_ += line.size();
    room_ -= line.size();
}

void TextLines::Clear()
{
    blocks_.clear();
    next_ = nullptr;
    room_ = 0;
    lines_.clear();
}
