#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

// Cuts a KISS byte stream, handed over in chunks of any size, at every FEND:
// each FEND ends the frame before it and starts the next. Bytes before the
// first FEND are skipped, empty frames are ignored, and Finish() yields a
// frame the stream ends inside. onFrame(bytes, offset) gets each frame still
// escaped, with the stream offset of its first byte (the one after its
// opening FEND).
class KissFrameCutter {
public:
    static constexpr std::uint8_t FEND = 0xC0;
    using Bytes = std::span<const std::uint8_t>;

    template <typename OnFrame>
    void Feed(std::string_view chunk, OnFrame& onFrame)
    {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(chunk.data());
        const auto* p = begin;
        const auto* end = p + chunk.size();
        const std::uint64_t base = position_;
        position_ += chunk.size();
        auto at = [&](const std::uint8_t* q) { return base + static_cast<std::uint64_t>(q - begin); };
        if (!inFrame_) {
            p = static_cast<const std::uint8_t*>(std::memchr(p, FEND, chunk.size()));
            if (!p)
                return;
            ++p;
            inFrame_ = true;
            start_ = at(p);
        }
        while (p < end) {
            const auto* fend
                = static_cast<const std::uint8_t*>(std::memchr(p, FEND, static_cast<std::size_t>(end - p)));
            if (!fend) {
                pending_.insert(pending_.end(), p, end);
                return;
            }
            if (pending_.empty()) {
                if (fend > p)
                    onFrame(Bytes(p, static_cast<std::size_t>(fend - p)), start_);
            } else {
                pending_.insert(pending_.end(), p, fend);
                onFrame(Bytes(pending_), start_);
                pending_.clear();
            }
            p = fend + 1;
            start_ = at(p);
        }
    }

    template <typename OnFrame>
    void Finish(OnFrame& onFrame)
    {
        if (!pending_.empty())
            onFrame(Bytes(pending_), start_);
        pending_.clear();
    }

private:
    bool inFrame_ = false;
    std::uint64_t position_ = 0; // stream bytes fed so far
    std::uint64_t start_ = 0;    // stream offset of the frame being cut
    std::vector<std::uint8_t> pending_;
};
