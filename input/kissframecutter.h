// SPDX-License-Identifier: GPL-3.0-or-later
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

    KissFrameCutter() = default;
    // A frame longer than maxEscaped bytes is never held: it is skipped to
    // its end and counted in Overlong() instead of handed over.
    explicit KissFrameCutter(std::size_t maxEscaped)
        : maxEscaped_(maxEscaped)
    {
    }

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
                Hold(p, end);
                return;
            }
            if (overlong_) {
                ++overlongFrames_;
                overlong_ = false;
            } else if (pending_.empty()) {
                if (static_cast<std::size_t>(fend - p) > maxEscaped_)
                    ++overlongFrames_;
                else if (fend > p)
                    onFrame(Bytes(p, static_cast<std::size_t>(fend - p)), start_);
            } else {
                Hold(p, fend);
                if (overlong_) {
                    ++overlongFrames_;
                    overlong_ = false;
                } else {
                    onFrame(Bytes(pending_), start_);
                }
                pending_.clear();
            }
            // Frames usually end and begin with a FEND each: the empty
            // frames between are passed over without a search.
            p = fend + 1;
            while (p < end && *p == FEND)
                ++p;
            start_ = at(p);
        }
    }

    template <typename OnFrame>
    void Finish(OnFrame& onFrame)
    {
        if (!pending_.empty() && !overlong_)
            onFrame(Bytes(pending_), start_);
        pending_.clear();
    }

    // The stream broke off (a connection dropped): a frame begun is lost and
    // counted, and the next bytes are skipped up to a FEND, as at the start.
    // Returns whether a frame was begun.
    bool Abandon()
    {
        const bool begun = !pending_.empty() || overlong_;
        pending_.clear();
        overlong_ = false;
        inFrame_ = false;
        return begun;
    }

    std::int64_t Overlong() const { return overlongFrames_; }

private:
    // Keeps the bytes of a frame that goes on in the next chunk, up to the
    // longest frame taken.
    void Hold(const std::uint8_t* from, const std::uint8_t* to)
    {
        if (overlong_)
            return;
        if (pending_.size() + static_cast<std::size_t>(to - from) > maxEscaped_) {
            pending_.clear();
            overlong_ = true;
            return;
        }
        pending_.insert(pending_.end(), from, to);
    }

    std::size_t maxEscaped_ = SIZE_MAX;
    bool overlong_ = false; // the frame being cut is too long and skipped
    std::int64_t overlongFrames_ = 0;
    bool inFrame_ = false;
    std::uint64_t position_ = 0; // stream bytes fed so far
    std::uint64_t start_ = 0;    // stream offset of the frame being cut
    std::vector<std::uint8_t> pending_;
};
