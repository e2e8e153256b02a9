// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"
#include "ksyvalue.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Whether the program is built with AddressSanitizer, whose frames take
// several times the stack.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool KsyAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool KsyAddressSanitizer = true;
#else
constexpr bool KsyAddressSanitizer = false;
#endif
#else
constexpr bool KsyAddressSanitizer = false;
#endif

// Reads frames with a description. One interpreter reads one frame at a
// time and keeps its scratch between frames.
struct KsyScratch;

class KsyInterpreter {
public:
    explicit KsyInterpreter(const KsyDescription& d);
    ~KsyInterpreter();
    KsyInterpreter(const KsyInterpreter&) = delete;
    KsyInterpreter& operator=(const KsyInterpreter&) = delete;

    // Reads frame with the top-level type. Throws KsyFrameError when it
    // does not read. The frame must stay while its fields are asked for.
    void Read(std::span<const std::uint8_t> frame);
    // The values of the fields of the frame read last, in order, into out
    // (as many as the description has): Null where a path leads through
    // something the frame does not hold. Throws KsyFrameError.
    void Fields(std::span<KsyValue> out);

    // Bounds: how deep types and instances may nest while a frame is read
    // (and how much stack that may take), how many steps one frame may take
    // (a read, an expression, and for work on many items or bytes, a step
    // for every item or 64 bytes), and how much memory its values may hold.
    // A frame beyond one does not parse, with the reason.
    static constexpr int MaxDepth = 128;
    static constexpr std::size_t MaxStackBytes = KsyAddressSanitizer ? std::size_t{6} << 20 : std::size_t{1} << 20;
    static constexpr std::int64_t MaxSteps = 500'000;
    static constexpr std::size_t MaxFrameBytes = std::size_t{4} << 20;

    // A check asked every few thousand steps from whichever thread reads a
    // frame, and before each frame: when it says true, the frame stops with
    // KsyFrameError. A program that stops on a signal sets it; none is the
    // default.
    static void SetStopCheck(bool (*stopRequested)());

private:
    const KsyDescription& d_;
    std::unique_ptr<KsyScratch> s_;
    KsyObject* root_ = nullptr;
    std::vector<KsyObject*> reached_; // where the steps of the field before led
};
