// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

// Lines of text kept in blocks of 1 MiB that never move: adding a line costs
// no allocation of its own and never copies the lines before it, which keeps
// a dump page of a million frames quick to fill.
class TextLines {
public:
    void Append(std::string_view line);
    void Clear();

    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    std::string_view operator[](std::size_t i) const { return lines_[i]; }
    std::string_view back() const { return lines_.back(); }
    auto begin() const { return lines_.begin(); }
    auto end() const { return lines_.end(); }

private:
    static constexpr std::size_t BlockSize = std::size_t{1} << 20;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr; // where the next line goes in the last block
    std::size_t room_ = 0; // and how much room is left there
    std::vector<std::string_view> lines_;
};
