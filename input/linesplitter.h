#pragma once

#include <cstdint>
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
        const std::size_t end = ends_ == LineEnds::LfOnly ? chunk.find('\n', pos) : chunk.find_first_of("\r\n", pos);
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
