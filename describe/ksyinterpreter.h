// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct KsyObject;
struct KsyStream;

// A value while a frame is read: what an attribute, an instance or an
// expression gives.
struct KsyValue {
    enum class Kind : std::uint8_t { Null, Int, Float, Bool, Str, Bytes, Object, Array, Stream };
    Kind What = Kind::Null;
    bool Unsigned64 = false;  // an unsigned 64-bit integer: Int holds its bits
    bool Single = false;      // a float read as f4, shown with the digits a float has
    std::uint32_t Length = 0; // of Data
    union {
        std::int64_t Int = 0; // also a boolean's 0 or 1
        double Float;
    };
    // A string in UTF-8 or a byte array (in the frame, the description or the
    // interpreter's scratch, valid until the next frame is read), an object,
    // a stream or an array's items (in the scratch).
    union {
        const char* Data = nullptr;
        KsyObject* Object;
        KsyStream* Io;
        const std::vector<KsyValue>* Items;
    };
    const KsyEnum* Enum = nullptr;

    // Copied member by member: a value is mostly copied just after it was
    // made member by member, and a copy in wider pieces would wait for the
    // narrow writes to land (store forwarding), which cost more than reading
    // the frame.
    KsyValue() = default;
    KsyValue(const KsyValue& o) noexcept
        : What(o.What)
        , Unsigned64(o.Unsigned64)
        , Single(o.Single)
        , Length(o.Length)
        , Int(o.Int)
        , Data(o.Data)
        , Enum(o.Enum)
    {
    }
    KsyValue& operator=(const KsyValue& o) noexcept
    {
        What = o.What;
        Unsigned64 = o.Unsigned64;
        Single = o.Single;
        Length = o.Length;
        Int = o.Int;
        Data = o.Data;
        Enum = o.Enum;
        return *this;
    }

    std::string_view Text() const { return {Data, Length}; }
    void SetText(std::string_view text)
    {
        Data = text.data();
        Length = static_cast<std::uint32_t>(text.size());
    }

    static KsyValue OfInt(std::int64_t v, const KsyEnum* e = nullptr)
    {
        KsyValue x;
        x.What = Kind::Int;
        x.Int = v;
        x.Enum = e;
        return x;
    }
    static KsyValue OfBool(bool v)
    {
        KsyValue x;
        x.What = Kind::Bool;
        x.Int = v;
        return x;
    }
    static KsyValue OfFloat(double v)
    {
        KsyValue x;
        x.What = Kind::Float;
        x.Float = v;
        return x;
    }
};

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

// A frame that does not read as the description says: why.
struct KsyFrameError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A path that leads through something the frame does not hold: a member of
// another switch case, an attribute whose if was false, an index past the end.
struct KsyAbsent : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads frames with a description. One interpreter reads one frame at a
// time and keeps its scratch between frames.
class KsyInterpreter {
public:
    explicit KsyInterpreter(const KsyDescription& d);
    ~KsyInterpreter();
    KsyInterpreter(const KsyInterpreter&) = delete;
    KsyInterpreter& operator=(const KsyInterpreter&) = delete;

    // Reads frame with the top-level type. Throws KsyFrameError when it
    // does not read. The frame must stay while its fields are asked for.
    void Read(std::span<const std::uint8_t> frame);
    // The value of field k of the frame read last into out: Null when its
    // path leads through something the frame does not hold. Throws
    // KsyFrameError.
    void Field(std::size_t k, KsyValue& out);

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

    struct Context;
    struct Scratch;

private:
    const KsyDescription& d_;
    std::unique_ptr<Scratch> s_;
    KsyObject* root_ = nullptr;
};
