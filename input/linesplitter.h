// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Splits a stream of chunks into lines. LfOnly ends a line at LF alone (the
// line keeps a CR before it); AnyLineEnd ends it at CR LF, CR or LF.
enum class LineEnds { LfOnly, AnyLineEnd };

class LineSplitter {
public:
    explicit LineSplitter(LineEnds ends)
        : ends_(ends)
    {
    }

    // Calls onLine(line, offset) for every line completed in chunk, with the
    // stream offset of the line's first character.
    template <typename OnLine>
    void Feed(std::string_view chunk, OnLine&& onLine);
    // The text after the last line end, if any (possibly empty).
    std::string_view Rest() const { return carry_; }
    std::uint64_t RestOffset() const { return lineStart_; }

private:
    // Where the line from pos ends in chunk, npos when it does not end there:
    // two scans that look at many bytes at once rather than a look per byte.
    std::size_t FindLineEnd(std::string_view chunk, std::size_t pos) const
    {
        const std::size_t lf = chunk.find('\n', pos);
        if (ends_ == LineEnds::LfOnly)
            return lf;
        const std::size_t until = lf == std::string_view::npos ? chunk.size() : lf;
        const auto* cr = static_cast<const char*>(std::memchr(chunk.data() + pos, '\r', until - pos));
        return cr ? static_cast<std::size_t>(cr - chunk.data()) : lf;
    }

    template <typename OnLine>
    void Emit(std::string_view piece, OnLine& onLine);

    LineEnds ends_;
    std::string carry_;
    bool skipLf_ = false;         // the last chunk ended in CR: an LF right after it belongs to it
    std::uint64_t position_ = 0;  // stream bytes fed so far
    std::uint64_t lineStart_ = 0; // stream offset of the line being split
};

template <typename OnLine>
void LineSplitter::Emit(std::string_view piece, OnLine& onLine)
{
    if (carry_.empty()) {
        onLine(piece, lineStart_);
    } else {
        carry_.append(piece);
        onLine(std::string_view(carry_), lineStart_);
        carry_.clear();
    }
}

template <typename OnLine>
void LineSplitter::Feed(std::string_view chunk, OnLine&& onLine)
{
    const std::uint64_t base = position_;
    position_ += chunk.size();
    std::size_t pos = 0;
    if (skipLf_ && !chunk.empty()) {
        if (chunk[0] == '\n') {
            pos = 1;
            lineStart_ = base + 1;
        }
        skipLf_ = false;
    }
    while (pos < chunk.size()) {
        const std::size_t end = FindLineEnd(chunk, pos);
        if (end == std::string_view::npos) {
            carry_.append(chunk.substr(pos));
            return;
        }
        Emit(chunk.substr(pos, end - pos), onLine);
        pos = end + 1;
        if (chunk[end] == '\r') {
            if (pos < chunk.size()) {
                if (chunk[pos] == '\n')
                    ++pos;
            } else {
                skipLf_ = true;
            }
        }
        lineStart_ = base + pos;
    }
}
