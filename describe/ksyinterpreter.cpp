// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyinterpreter.h"

#include "ksyprocess.h"
#include "ksytext.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

__extension__ typedef unsigned __int128 KsyWide;
__extension__ typedef __int128 KsySignedWide;

struct KsyStream {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
    std::uint64_t Bits = 0;
    int BitsLeft = 0;

    bool IsEof() const { return Pos >= Size && BitsLeft == 0; }
    void AlignToByte()
    {
        Bits = 0;
        BitsLeft = 0;
    }
    const std::uint8_t* ReadBytes(std::uint64_t n)
    {
        if (n > Size - Pos)
            throw KsyFrameError("the frame ends: " + std::to_string(n) + " bytes wanted at byte " + std::to_string(Pos)
                + " of " + std::to_string(Size));
        const std::uint8_t* at = Data + Pos;
        Pos += static_cast<std::size_t>(n);
        return at;
    }
    std::uint64_t ReadUnsigned(int width, bool bigEndian)
    {
        const std::uint8_t* b = ReadBytes(static_cast<std::uint64_t>(width));
        std::uint64_t v = 0;
        for (int k = 0; k < width; ++k)
            v |= std::uint64_t{b[bigEndian ? width - 1 - k : k]} << (8 * k);
        return v;
    }
    std::uint64_t ReadBitsBe(int n)
    {
        using Wide = KsyWide;
        const int needed = n - BitsLeft;
        BitsLeft = -needed & 7;
        Wide result;
        if (needed > 0) {
            const int bytes = ((needed - 1) >> 3) + 1;
            const std::uint8_t* b = ReadBytes(static_cast<std::uint64_t>(bytes));
            Wide fresh = 0;
            for (int k = 0; k < bytes; ++k)
                fresh = fresh << 8 | b[k];
            result = fresh >> BitsLeft | Wide{Bits} << needed;
            Bits = static_cast<std::uint64_t>(fresh);
        } else {
            result = Bits >> -needed;
        }
        Bits &= (std::uint64_t{1} << BitsLeft) - 1;
        return static_cast<std::uint64_t>(result);
    }
    std::uint64_t ReadBitsLe(int n)
    {
        using Wide = KsyWide;
        const int needed = n - BitsLeft;
        Wide result;
        if (needed > 0) {
            const int bytes = ((needed - 1) >> 3) + 1;
            const std::uint8_t* b = ReadBytes(static_cast<std::uint64_t>(bytes));
            Wide fresh = 0;
            for (int k = 0; k < bytes; ++k)
                fresh |= Wide{b[k]} << (8 * k);
            const std::uint64_t next = static_cast<std::uint64_t>(fresh >> needed);
            result = fresh << BitsLeft | Bits;
            Bits = next;
        } else {
            result = Bits;
            Bits = n >= 64 ? 0 : Bits >> n;
        }
        BitsLeft = -needed & 7;
        const std::uint64_t value = static_cast<std::uint64_t>(result);
        return n >= 64 ? value : value & ((std::uint64_t{1} << n) - 1);
    }
    void Seek(std::int64_t to)
    {
        Pos = static_cast<std::size_t>(std::clamp<std::int64_t>(to, 0, static_cast<std::int64_t>(Size)));
    }
};

struct KsyObject {
    const KsyType* Type = nullptr;
    KsyObject* Parent = nullptr;
    KsyStream* Io = nullptr;
    std::vector<KsyValue> Slots;
    std::vector<std::uint8_t> State; // of each slot: 0 not read, 1 being evaluated, 2 done
};

struct KsyInterpreter::Context {
    KsyObject* Self = nullptr;
    const KsyValue* Underscore = nullptr;
    std::int64_t Index = -1;
};

namespace {

std::atomic<bool (*)()> StopCheck{nullptr};

// Steps between two looks at the stop check: a few milliseconds of work.
constexpr std::int64_t PollEvery = 1 << 16;

} // namespace

void KsyInterpreter::SetStopCheck(bool (*stopRequested)()) { StopCheck = stopRequested; }

struct KsyInterpreter::Scratch {
    std::deque<KsyObject> Objects;
    std::size_t ObjectsUsed = 0;
    std::deque<KsyStream> Streams;
    std::size_t StreamsUsed = 0;
    std::deque<std::string> Buffers;
    std::size_t BuffersUsed = 0;
    std::deque<std::vector<KsyValue>> Lists;
    std::size_t ListsUsed = 0;
    std::int64_t Steps = 0;
    std::int64_t NextPoll = 0; // the step count at which the budget and the stop check are looked at
    std::size_t Bytes = 0;     // what the frame's values hold
    int Depth = 0;
    const char* StackTop = nullptr; // the frame address where reading began
    KsyObject* Root = nullptr;
    const KsyValue Nothing{};
    KsyValue Held; // a value made on the way, such as a byte of an array

    void Reset()
    {
        // A frame that went beyond the bound gives back what it took, rather
        // than keep it for the next.
        if (Bytes > MaxFrameBytes) {
            Objects.clear();
            Streams.clear();
            Buffers.clear();
            Lists.clear();
        }
        ObjectsUsed = StreamsUsed = BuffersUsed = ListsUsed = 0;
        Steps = 0;
        NextPoll = 0;
        Bytes = 0;
        Depth = 0;
        Poll();
    }
    KsyStream* NewStream(const std::uint8_t* data, std::size_t size)
    {
        if (StreamsUsed == Streams.size())
            Streams.emplace_back();
        KsyStream* s = &Streams[StreamsUsed++];
        *s = KsyStream{data, size};
        return s;
    }
    std::string* NewBuffer()
    {
        if (BuffersUsed == Buffers.size())
            Buffers.emplace_back();
        return &Buffers[BuffersUsed++];
    }
    std::vector<KsyValue>* NewList()
    {
        if (ListsUsed == Lists.size())
            Lists.emplace_back();
        std::vector<KsyValue>* list = &Lists[ListsUsed++];
        list->clear();
        return list;
    }
    KsyObject* NewObject(const KsyType* type, KsyObject* parent, KsyStream* io)
    {
        if (ObjectsUsed == Objects.size())
            Objects.emplace_back();
        KsyObject* o = &Objects[ObjectsUsed++];
        o->Type = type;
        o->Parent = parent;
        o->Io = io;
        const auto slots = static_cast<std::size_t>(type->Slots());
        Allocate(sizeof(KsyObject) + slots * (sizeof(KsyValue) + 1));
        o->Slots.assign(slots, KsyValue{});
        o->State.assign(slots, 0);
        return o;
    }
    void Step()
    {
        if (++Steps >= NextPoll)
            Poll();
    }
    // Work on n items at once.
    void Charge(std::size_t n)
    {
        Steps += static_cast<std::int64_t>(std::min<std::size_t>(n, MaxSteps + 1));
        if (Steps >= NextPoll)
            Poll();
    }
    // Memory for the frame's values, counted before it is taken; copying it
    // is work too.
    void Allocate(std::size_t bytes)
    {
        Bytes += bytes;
        if (Bytes > MaxFrameBytes)
            throw KsyFrameError("the description needs more than " + std::to_string(MaxFrameBytes >> 20)
                + " MB for the values of this frame");
        Charge(bytes / 64);
    }
    void Poll()
    {
        if (Steps > MaxSteps)
            throw KsyFrameError(
                "the description takes more than " + std::to_string(MaxSteps) + " steps for this frame");
        NextPoll = std::min(Steps + PollEvery, MaxSteps + 1);
        if (const auto check = StopCheck.load(std::memory_order_relaxed); check && check())
            throw KsyFrameError("stopped while the frame was read");
    }
};

namespace {

// Arrays may hold at most this many items.
constexpr std::size_t MaxItems = 1 << 16;

using Ctx = KsyInterpreter::Context;
using Kind = KsyValue::Kind;

[[noreturn]] void FrameError(const std::string& why) { throw KsyFrameError(why); }

const char* KindName(Kind k)
{
    switch (k) {
    case Kind::Null: return "nothing";
    case Kind::Int: return "an integer";
    case Kind::Float: return "a float";
    case Kind::Bool: return "a boolean";
    case Kind::Str: return "a string";
    case Kind::Bytes: return "a byte array";
    case Kind::Object: return "an object";
    case Kind::Array: return "an array";
    case Kind::Stream: return "a stream";
    }
    return "?";
}

bool IsNumber(const KsyValue& v) { return v.What == Kind::Int || v.What == Kind::Float; }
double AsDouble(const KsyValue& v)
{
    if (v.What == Kind::Float)
        return v.Float;
    return v.Unsigned64 ? static_cast<double>(static_cast<std::uint64_t>(v.Int)) : static_cast<double>(v.Int);
}

KsyValue OfBytes(const std::uint8_t* data, std::size_t n)
{
    KsyValue v;
    v.What = Kind::Bytes;
    v.SetText(std::string_view(reinterpret_cast<const char*>(data), n));
    return v;
}
// A string that lives as long as the frame's values.
KsyValue OfStringView(std::string_view text)
{
    KsyValue v;
    v.What = Kind::Str;
    v.SetText(text);
    return v;
}

int Compare(const KsyValue& a, const KsyValue& b)
{
    if (a.What == Kind::Int && b.What == Kind::Int) {
        if (a.Unsigned64 || b.Unsigned64) {
            const auto x = static_cast<std::uint64_t>(a.Int), y = static_cast<std::uint64_t>(b.Int);
            if ((a.Unsigned64 || a.Int >= 0) && (b.Unsigned64 || b.Int >= 0))
                return x < y ? -1 : x > y ? 1 : 0;
            return a.Unsigned64 ? 1 : -1;
        }
        return a.Int < b.Int ? -1 : a.Int > b.Int ? 1 : 0;
    }
    if (IsNumber(a) && IsNumber(b)) {
        const double x = AsDouble(a), y = AsDouble(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if ((a.What == Kind::Str && b.What == Kind::Str) || (a.What == Kind::Bytes && b.What == Kind::Bytes)) {
        if (a.What == Kind::Bytes) {
            const auto* x = reinterpret_cast<const unsigned char*>(a.Text().data());
            const auto* y = reinterpret_cast<const unsigned char*>(b.Text().data());
            return std::lexicographical_compare(x, x + a.Text().size(), y, y + b.Text().size()) ? -1
                : a.Text() == b.Text()                                                          ? 0
                                                                                                : 1;
        }
        const int c = a.Text().compare(b.Text());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (a.What == Kind::Bool && b.What == Kind::Bool)
        return static_cast<int>(a.Int) - static_cast<int>(b.Int);
    FrameError(std::string("cannot compare ") + KindName(a.What) + " with " + KindName(b.What));
}

bool Equal(const KsyValue& a, const KsyValue& b)
{
    if (a.What == Kind::Null || b.What == Kind::Null)
        return a.What == b.What;
    if (a.What == Kind::Object || b.What == Kind::Object)
        return a.Object == b.Object;
    return Compare(a, b) == 0;
}

bool Truth(const KsyValue& v)
{
    switch (v.What) {
    case Kind::Bool:
    case Kind::Int: return v.Int != 0;
    case Kind::Float: return v.Float != 0 && !std::isnan(v.Float);
    case Kind::Null: return false; // as JavaScript takes undefined
    default: FrameError(std::string("a condition is ") + KindName(v.What));
    }
}

std::int64_t Integer(const KsyValue& v, const char* what)
{
    if (v.What == Kind::Int || v.What == Kind::Bool)
        return v.Int;
    if (v.What == Kind::Null)
        throw KsyAbsent(std::string(what) + " of nothing");
    FrameError(std::string(what) + " needs an integer, not " + KindName(v.What));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    if (b == 0)
        FrameError("division by zero");
    if (b == -1)
        return static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(a));
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Kaitai's modulo: never negative, and only by a positive divisor.
std::int64_t Modulo(std::int64_t a, std::int64_t b)
{
    if (b <= 0)
        FrameError("modulo by " + std::to_string(b) + ": the divisor must be positive");
    std::int64_t r = a % b;
    if (r < 0)
        r += b;
    return r;
}

std::int64_t Wrap(std::uint64_t v) { return static_cast<std::int64_t>(v); }

bool IsNan(const KsyValue& v) { return v.What == Kind::Float && std::isnan(v.Float); }

// Bit operations on integers within 32 bits go as most Kaitai targets take
// them (C++, Java, C#, JavaScript): in 32 bits, << & | ^ ~ signed, >> as an
// unsigned shift. Wider integers keep all 64 bits. Nothing, a boolean and a
// float count as the 32-bit integer JavaScript makes of them.
bool Fits32(const KsyValue& v)
{
    return (v.What == Kind::Int || v.What == Kind::Bool) && !v.Unsigned64 && v.Int >= -(std::int64_t{1} << 31)
        && v.Int < (std::int64_t{1} << 32);
}
bool Fits32OrLoose(const KsyValue& v) { return Fits32(v) || v.What == Kind::Null || v.What == Kind::Float; }

std::int32_t ToInt32(const KsyValue& v)
{
    if (v.What == Kind::Null)
        return 0;
    if (v.What == Kind::Float) {
        if (!std::isfinite(v.Float))
            return 0;
        const double t = std::fmod(std::trunc(v.Float), 4294967296.0);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(t)));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v.Int));
}

std::int64_t Bitwise32(KsyOp op, std::int32_t x, std::int32_t y)
{
    const auto ux = static_cast<std::uint32_t>(x);
    const auto shift = static_cast<unsigned>(y) & 31;
    switch (op) {
    case KsyOp::Shl: return static_cast<std::int32_t>(ux << shift);
    case KsyOp::Shr: return ux >> shift;
    case KsyOp::BitAnd: return x & y;
    case KsyOp::BitOr: return x | y;
    default: return x ^ y;
    }
}

} // namespace

namespace {

class Run {
public:
    Run(const KsyDescription& d, KsyInterpreter::Scratch& s)
        : d_(d)
        , s_(s)
    {
    }

    KsyObject* ReadObject(
        const KsyType* type, KsyObject* parent, KsyStream* io, const KsyDataType* call, const Ctx* caller)
    {
        Nest nest(s_);
        KsyObject* o = s_.NewObject(type, parent, io);
        if (!s_.Root)
            s_.Root = o;
        if (call && !call->Arguments.empty()) {
            const std::size_t first = type->Seq.size() + type->Instances.size();
            for (std::size_t k = 0; k < call->Arguments.size(); ++k)
                o->Slots[first + k] = Eval(*call->Arguments[k], *caller);
        }
        Ctx c{o};
        bool afterBits = false;
        for (const KsyAttribute& a : type->Seq) {
            const bool bits = a.HasType && a.Type.IsBits();
            if (!bits && afterBits)
                io->AlignToByte();
            afterBits = bits;
            if (a.PlainInteger) { // most attributes: read straight into their slot
                s_.Step();
                ReadInteger(a.Type, a.Enum, io, o->Slots[static_cast<std::size_t>(a.Slot)]);
                o->State[static_cast<std::size_t>(a.Slot)] = 2;
                continue;
            }
            if (a.If && !Truth(Eval(*a.If, c)))
                continue;
            o->Slots[static_cast<std::size_t>(a.Slot)] = ReadAttribute(a, o, io);
            o->State[static_cast<std::size_t>(a.Slot)] = 2;
        }
        return o;
    }

    KsyValue Eval(const KsyExpr& e, const Ctx& c)
    {
        s_.Step();
        switch (e.Op) {
        case KsyOp::Int: return KsyValue::OfInt(e.Int);
        case KsyOp::Float: return KsyValue::OfFloat(e.Float);
        case KsyOp::Bool: return KsyValue::OfBool(e.Int != 0);
        case KsyOp::Str: return OfStringView(e.Text);
        case KsyOp::EnumValue: return KsyValue::OfInt(e.Int, e.Enum);
        case KsyOp::Array: return ArrayLiteral(e, c);
        case KsyOp::Name: return Name(e.NameId, c);
        case KsyOp::Member: return Member(Eval(*e.Kids[0], c), e.NameId);
        case KsyOp::Call: return Call(e, c);
        case KsyOp::Index: return IndexOf(Eval(*e.Kids[0], c), Eval(*e.Kids[1], c));
        case KsyOp::Cast: {
            // A cast to a float type makes the arithmetic after it a float's,
            // as the compiler types it.
            const KsyValue v = Eval(*e.Kids[0], c);
            if ((e.Text == "f4" || e.Text == "f8") && (v.What == Kind::Int || v.What == Kind::Bool))
                return KsyValue::OfFloat(AsDouble(v));
            return v;
        }
        case KsyOp::Neg: {
            const KsyValue v = Eval(*e.Kids[0], c);
            if (v.What == Kind::Null)
                return KsyValue::OfFloat(std::nan(""));
            if (v.What == Kind::Float)
                return KsyValue::OfFloat(-v.Float);
            if (v.Unsigned64)
                return OfWide(-Wide(v));
            return KsyValue::OfInt(Wrap(0 - static_cast<std::uint64_t>(Integer(v, "-"))));
        }
        case KsyOp::BitNot: {
            const KsyValue v = Eval(*e.Kids[0], c);
            if (Fits32OrLoose(v))
                return KsyValue::OfInt(~ToInt32(v));
            return KsyValue::OfInt(~Integer(v, "~"));
        }
        case KsyOp::Not: return KsyValue::OfBool(!Truth(Eval(*e.Kids[0], c)));
        case KsyOp::And: return KsyValue::OfBool(Truth(Eval(*e.Kids[0], c)) && Truth(Eval(*e.Kids[1], c)));
        case KsyOp::Or: return KsyValue::OfBool(Truth(Eval(*e.Kids[0], c)) || Truth(Eval(*e.Kids[1], c)));
        case KsyOp::Ternary: return Truth(Eval(*e.Kids[0], c)) ? Eval(*e.Kids[1], c) : Eval(*e.Kids[2], c);
        default: return Binary(e.Op, Eval(*e.Kids[0], c), Eval(*e.Kids[1], c));
        }
    }

    // A path of members and indices from object o: nothing where it leads
    // through something that is no object or holds no such member, as
    // JavaScript's property access gives undefined.
    const KsyValue& Chain(KsyObject* o, const std::vector<KsyField::Step>& steps)
    {
        const KsyValue* v = &s_.Nothing;
        for (const KsyField::Step& step : steps) {
            if (step.NameId >= 0) {
                if (!o)
                    return s_.Nothing;
                if (step.NameId == KsyNames::Root || step.NameId == KsyNames::Parent) {
                    KsyObject* to = step.NameId == KsyNames::Root ? s_.Root : o->Parent;
                    if (!to)
                        return s_.Nothing;
                    s_.Held = ObjectValue(to);
                    v = &s_.Held;
                } else {
                    v = &MemberOf(o, step.NameId);
                }
            }
            if (step.Index >= 0) {
                const auto at = static_cast<std::uint64_t>(step.Index);
                if (v->What == Kind::Array && at < v->Items->size()) {
                    v = &(*v->Items)[at];
                } else if (v->What == Kind::Bytes && at < v->Length) {
                    s_.Held = KsyValue::OfInt(static_cast<std::uint8_t>(v->Data[at]));
                    v = &s_.Held;
                } else {
                    return s_.Nothing;
                }
            }
            o = v->What == Kind::Object ? v->Object : nullptr;
        }
        return *v;
    }

    // What each item of list gives on the path from it: a list of as many
    // values (nothing where an item has none); nothing where list is none.
    KsyValue EachItem(const KsyValue& list, const std::vector<KsyField::Step>& steps)
    {
        if (list.What != Kind::Array)
            return {};
        KsyValue result;
        result.What = Kind::Array;
        std::vector<KsyValue>& items = *s_.NewList();
        result.Items = &items;
        s_.Allocate(list.Items->size() * sizeof(KsyValue));
        for (const KsyValue& item : *list.Items) {
            if (steps.empty())
                items.push_back(item);
            else if (item.What == Kind::Object)
                items.push_back(Chain(item.Object, steps));
            else
                items.emplace_back();
        }
        return result;
    }

    const KsyValue& Instance(KsyObject* o, const KsyAttribute& a)
    {
        const auto slot = static_cast<std::size_t>(a.Slot);
        if (o->State[slot] == 2)
            return o->Slots[slot];
        if (o->State[slot] == 1)
            FrameError("instance " + a.Id + " needs its own value");
        Nest nest(s_);
        o->State[slot] = 1;
        struct Undo {
            KsyObject* o;
            std::size_t slot;
            ~Undo()
            {
                if (o->State[slot] == 1)
                    o->State[slot] = 0;
            }
        } undo{o, slot};
        const Ctx c{o};
        KsyValue v;
        if (!a.If || Truth(Eval(*a.If, c))) {
            if (a.Value) {
                v = Eval(*a.Value, c);
                if (a.Enum && v.What == Kind::Int)
                    v.Enum = a.Enum;
            } else {
                KsyStream* io = o->Io;
                if (a.Io) {
                    const KsyValue stream = Eval(*a.Io, c);
                    if (stream.What != Kind::Stream)
                        FrameError("instance " + a.Id + ": io is not a stream");
                    io = stream.Io;
                }
                const std::size_t was = io->Pos;
                if (a.Pos)
                    io->Seek(Integer(Eval(*a.Pos, c), "pos"));
                v = ReadAttribute(a, o, io);
                if (a.Pos)
                    io->Pos = was;
            }
        }
        o->Slots[slot] = v;
        o->State[slot] = 2;
        return o->Slots[slot];
    }

private:
    // A string made while the frame is read, kept in the scratch.
    KsyValue OfString(std::string text)
    {
        s_.Allocate(text.size());
        std::string* kept = s_.NewBuffer();
        *kept = std::move(text);
        return OfStringView(*kept);
    }

    // Where the description says what a frame breaks, "qb50.ksy:11": the
    // description's line, never to be taken for a line of the capture.
    std::string Where(const KsyAttribute& a) const
    {
        const std::size_t slash = d_.File.find_last_of("/\\");
        return (slash == std::string::npos ? d_.File : d_.File.substr(slash + 1)) + ":" + std::to_string(a.Line);
    }

    struct Nest {
        explicit Nest(KsyInterpreter::Scratch& s)
            : s_(s)
        {
            const auto* here = static_cast<const char*>(__builtin_frame_address(0));
            if (++s_.Depth > KsyInterpreter::MaxDepth
                || static_cast<std::size_t>(s_.StackTop - here) > KsyInterpreter::MaxStackBytes)
                FrameError("types or instances nest too deep");
        }
        ~Nest() { --s_.Depth; }
        KsyInterpreter::Scratch& s_;
    };

    KsyValue ReadAttribute(const KsyAttribute& a, KsyObject* o, KsyStream* io)
    {
        if (a.Repeats == KsyAttribute::Repeat::None)
            return Checked(a, ReadOne(a, o, io, -1), o);
        KsyValue list;
        list.What = Kind::Array;
        std::vector<KsyValue>& items = *s_.NewList();
        list.Items = &items;
        const auto add = [&](std::int64_t index) {
            if (items.size() >= MaxItems)
                FrameError(a.Id + " repeats too often");
            s_.Allocate(sizeof(KsyValue));
            items.push_back(Checked(a, ReadOne(a, o, io, index), o));
        };
        switch (a.Repeats) {
        case KsyAttribute::Repeat::Eos:
            for (std::int64_t k = 0; !io->IsEof(); ++k) {
                const std::size_t before = io->Pos;
                add(k);
                if (io->Pos == before && io->BitsLeft == 0 && !io->IsEof())
                    FrameError(a.Id + " repeats without reading");
            }
            break;
        case KsyAttribute::Repeat::Expr: {
            const std::int64_t n = Integer(Eval(*a.RepeatExpr, Ctx{o}), "repeat-expr");
            for (std::int64_t k = 0; k < n; ++k)
                add(k);
            break;
        }
        case KsyAttribute::Repeat::Until:
            for (std::int64_t k = 0;; ++k) {
                add(k);
                const Ctx c{o, &items.back(), k};
                if (Truth(Eval(*a.RepeatExpr, c)))
                    break;
            }
            break;
        case KsyAttribute::Repeat::None: break;
        }
        return list;
    }

    static void ReadInteger(const KsyDataType& t, const KsyEnum* e, KsyStream* io, KsyValue& v)
    {
        const std::uint64_t raw = io->ReadUnsigned(t.Width, t.BigEndian);
        v.What = Kind::Int;
        v.Enum = e;
        v.Int = Wrap(raw);
        if (t.Signed && t.Width < 8) {
            const int shift = 64 - 8 * t.Width;
            v.Int = Wrap(raw << shift) >> shift;
        }
        v.Unsigned64 = !t.Signed && t.Width == 8 && v.Int < 0;
    }

    const KsyValue& Checked(const KsyAttribute& a, const KsyValue& v, KsyObject* o)
    {
        if (!a.Valid.Any())
            return v;
        const Ctx c{o, &v};
        const auto fail = [&](const char* how) { FrameError(a.Id + " is not valid: " + how + " (" + Where(a) + ")"); };
        if (a.Valid.Eq && !Equal(v, Eval(*a.Valid.Eq, c)))
            fail("not the value it must be");
        if (a.Valid.Min && Compare(v, Eval(*a.Valid.Min, c)) < 0)
            fail("below its minimum");
        if (a.Valid.Max && Compare(v, Eval(*a.Valid.Max, c)) > 0)
            fail("above its maximum");
        if (!a.Valid.AnyOf.empty()
            && std::none_of(
                a.Valid.AnyOf.begin(), a.Valid.AnyOf.end(), [&](const KsyExprPtr& x) { return Equal(v, Eval(*x, c)); }))
            fail("none of the values it may be");
        if (a.Valid.Expr && !Truth(Eval(*a.Valid.Expr, c)))
            fail("its expression is false");
        return v;
    }

    const KsyDataType* CaseOf(const KsyDataType& t, KsyObject* o)
    {
        const Ctx c{o};
        const KsyValue on = Eval(*t.SwitchOn, c);
        for (const auto& [key, type] : t.Cases)
            if (key && Equal(on, Eval(*key, c)))
                return &type;
        return t.Default >= 0 ? &t.Cases[static_cast<std::size_t>(t.Default)].Type : nullptr;
    }

    KsyValue ReadOne(const KsyAttribute& a, KsyObject* o, KsyStream* io, std::int64_t index)
    {
        s_.Step();
        const Ctx c{o, nullptr, index};
        if (a.Contents) {
            const std::string& want = *a.Contents;
            const std::uint8_t* got = io->ReadBytes(want.size());
            if (std::memcmp(got, want.data(), want.size()) != 0)
                FrameError(a.Id + " does not hold its fixed contents (" + Where(a) + ")");
            return OfBytes(got, want.size());
        }
        const KsyDataType* t = a.HasType ? &a.Type : nullptr;
        if (t && t->What == KsyDataType::Kind::Switch) {
            t = CaseOf(*t, o);
            if (!t && !a.Size && !a.SizeEos)
                return {};
        }
        if (t) {
            switch (t->What) {
            case KsyDataType::Kind::Int: {
                KsyValue v;
                ReadInteger(*t, a.Enum, io, v);
                return v;
            }
            case KsyDataType::Kind::Float: {
                const std::uint64_t raw = io->ReadUnsigned(t->Width, t->BigEndian);
                if (t->Width == 4) {
                    float f;
                    const auto bits = static_cast<std::uint32_t>(raw);
                    std::memcpy(&f, &bits, 4);
                    KsyValue v = KsyValue::OfFloat(f);
                    v.Single = true;
                    return v;
                }
                double f;
                std::memcpy(&f, &raw, 8);
                return KsyValue::OfFloat(f);
            }
            case KsyDataType::Kind::Bits:
            case KsyDataType::Kind::Bool: {
                if (t->Width > 64)
                    return WideBits(*t, io);
                const std::uint64_t raw = t->BigEndian ? io->ReadBitsBe(t->Width) : io->ReadBitsLe(t->Width);
                if (t->What == KsyDataType::Kind::Bool)
                    return KsyValue::OfBool(raw != 0);
                KsyValue v = KsyValue::OfInt(Wrap(raw), a.Enum);
                v.Unsigned64 = v.Int < 0;
                return v;
            }
            case KsyDataType::Kind::User:
                if (!a.Size && !a.SizeEos && !a.Terminator)
                    return ObjectValue(ReadObject(t->User, o, io, t, &c));
                break;
            default: break;
            }
        }
        // Bytes: a byte array, a string, or a user type's own stream.
        std::span<const std::uint8_t> raw = RawBytes(a, t, io, c);
        if (a.Process.What != KsyProcess::Kind::None)
            raw = Processed(a, raw, c);
        if (!t || t->What == KsyDataType::Kind::Bytes || t->What == KsyDataType::Kind::Switch)
            return OfBytes(raw.data(), raw.size());
        if (t->What == KsyDataType::Kind::Str) {
            s_.Charge(raw.size() / 4); // a character at a time
            return OfString(KsyDecodeText(raw, t->Encoding));
        }
        if (t->What == KsyDataType::Kind::User)
            return ObjectValue(ReadObject(t->User, o, s_.NewStream(raw.data(), raw.size()), t, &c));
        FrameError(a.Id + ": a number cannot be read from a sized byte array");
    }

    std::span<const std::uint8_t> RawBytes(const KsyAttribute& a, const KsyDataType* t, KsyStream* io, const Ctx& c)
    {
        const bool strz = t && t->What == KsyDataType::Kind::Str && t->Terminated;
        const int terminator = a.Terminator ? *a.Terminator : strz ? 0 : -1;
        std::span<const std::uint8_t> raw;
        if (a.Size || a.SizeEos) {
            std::uint64_t n = io->Size - io->Pos;
            if (a.Size) {
                const std::int64_t size = Integer(Eval(*a.Size, c), "size");
                if (size < 0)
                    FrameError(a.Id + ": a negative size, " + std::to_string(size));
                n = static_cast<std::uint64_t>(size);
            }
            raw = {io->ReadBytes(n), static_cast<std::size_t>(n)};
            if (a.PadRight)
                while (!raw.empty() && raw.back() == *a.PadRight)
                    raw = raw.first(raw.size() - 1);
            if (terminator >= 0) {
                const auto end = std::find(raw.begin(), raw.end(), static_cast<std::uint8_t>(terminator));
                if (end != raw.end())
                    raw = raw.first(static_cast<std::size_t>(end - raw.begin()) + (a.Include ? 1 : 0));
            }
            return raw;
        }
        if (terminator >= 0) {
            const std::uint8_t* begin = io->Data + io->Pos;
            const std::uint8_t* end = io->Data + io->Size;
            const std::uint8_t* found = std::find(begin, end, static_cast<std::uint8_t>(terminator));
            s_.Charge(static_cast<std::size_t>(found - begin) / 64);
            if (found == end) {
                if (a.EosError)
                    FrameError(a.Id + ": the frame ends before its terminator " + std::to_string(terminator));
                io->Pos = io->Size;
                return {begin, end};
            }
            const std::size_t n = static_cast<std::size_t>(found - begin);
            io->Pos += n + (a.Consume ? 1 : 0);
            return {begin, n + (a.Include ? 1 : 0)};
        }
        FrameError(a.Id + ": no size to read");
    }

    std::span<const std::uint8_t> Processed(const KsyAttribute& a, std::span<const std::uint8_t> raw, const Ctx& c)
    {
        if (a.Process.What == KsyProcess::Kind::Unsupported)
            FrameError("process " + a.Process.Name + " is not supported (" + a.Id + ")");
        if (a.Process.What == KsyProcess::Kind::Satnogs)
            return SatnogsProcessed(a, raw, c);
        s_.Allocate(raw.size());
        std::string* out = s_.NewBuffer();
        out->assign(reinterpret_cast<const char*>(raw.data()), raw.size());
        const KsyValue arg = Eval(*a.Process.Argument, c);
        if (a.Process.What == KsyProcess::Kind::Xor) {
            if (arg.What == Kind::Bytes) {
                if (!arg.Text().empty())
                    for (std::size_t k = 0; k < out->size(); ++k)
                        (*out)[k] = static_cast<char>((*out)[k] ^ arg.Text()[k % arg.Text().size()]);
            } else {
                const auto key = static_cast<char>(Integer(arg, "xor"));
                for (char& b : *out)
                    b = static_cast<char>(b ^ key);
            }
        } else {
            int n = static_cast<int>(Modulo(Integer(arg, "rotation"), 8));
            if (a.Process.What == KsyProcess::Kind::Ror)
                n = (8 - n) % 8;
            for (char& b : *out) {
                const auto u = static_cast<std::uint8_t>(b);
                b = static_cast<char>(static_cast<std::uint8_t>((u << n) | (u >> ((8 - n) % 8))));
            }
        }
        return {reinterpret_cast<const std::uint8_t*>(out->data()), out->size()};
    }

    // A bit field of more than 64 bits: its bits, the first of the value
    // first, in as many bytes as they fill (the first byte padded with
    // zeros at its top).
    KsyValue WideBits(const KsyDataType& t, KsyStream* io)
    {
        const auto width = static_cast<std::size_t>(t.Width);
        std::vector<bool> bits(width); // the value's bits, the highest first
        if (t.BigEndian) {
            for (std::size_t done = 0; done < width;) {
                const std::size_t n = done == 0 && width % 64 != 0 ? width % 64 : 64;
                const std::uint64_t chunk = io->ReadBitsBe(static_cast<int>(n));
                for (std::size_t k = 0; k < n; ++k)
                    bits[done + k] = (chunk >> (n - 1 - k)) & 1;
                done += n;
            }
        } else {
            for (std::size_t done = 0; done < width;) { // the first bits read are the lowest
                const std::size_t n = std::min<std::size_t>(64, width - done);
                const std::uint64_t chunk = io->ReadBitsLe(static_cast<int>(n));
                for (std::size_t k = 0; k < n; ++k)
                    bits[width - 1 - (done + k)] = (chunk >> k) & 1;
                done += n;
            }
        }
        const std::size_t bytes = (width + 7) / 8;
        s_.Allocate(bytes);
        std::string* kept = s_.NewBuffer();
        kept->assign(bytes, '\0');
        const std::size_t pad = bytes * 8 - width;
        for (std::size_t k = 0; k < width; ++k)
            if (bits[k])
                (*kept)[(pad + k) / 8] = static_cast<char>((*kept)[(pad + k) / 8] | (0x80 >> ((pad + k) % 8)));
        return OfBytes(reinterpret_cast<const std::uint8_t*>(kept->data()), kept->size());
    }

    // The bytes a process of the SatNOGS decoders makes of raw, in the
    // scratch (base64 and hex take up to twice the room).
    std::span<const std::uint8_t> SatnogsProcessed(
        const KsyAttribute& a, std::span<const std::uint8_t> raw, const Ctx& c)
    {
        std::int64_t arguments[3] = {};
        for (std::size_t k = 0; k < a.Process.Arguments.size() && k < std::size(arguments); ++k)
            arguments[k] = Integer(Eval(*a.Process.Arguments[k], c), "a process's argument");
        s_.Allocate(2 * raw.size() + 4);
        s_.Charge(raw.size()); // a few steps a byte, a bit at a time for the scrambler
        std::string* out = s_.NewBuffer();
        out->clear();
        if (const auto error = a.Process.Satnogs->Run(raw, std::span(arguments, a.Process.Arguments.size()), *out))
            FrameError(a.Id + ": process " + a.Process.Name + ": " + *error);
        return {reinterpret_cast<const std::uint8_t*>(out->data()), out->size()};
    }

    static KsyValue ObjectValue(KsyObject* o)
    {
        KsyValue v;
        v.What = Kind::Object;
        v.Object = o;
        return v;
    }

    KsyValue ArrayLiteral(const KsyExpr& e, const Ctx& c)
    {
        KsyValue v;
        v.What = Kind::Array;
        std::vector<KsyValue>& items = *s_.NewList();
        v.Items = &items;
        bool bytes = true;
        s_.Allocate(e.Kids.size() * sizeof(KsyValue));
        for (const auto& kid : e.Kids) {
            items.push_back(Eval(*kid, c));
            bytes = bytes && items.back().What == Kind::Int;
        }
        if (!bytes || e.Kids.empty())
            return v;
        s_.Allocate(items.size());
        std::string* kept = s_.NewBuffer();
        kept->clear();
        for (const KsyValue& item : items)
            *kept += static_cast<char>(item.Int & 0xFF);
        KsyValue b;
        b.What = Kind::Bytes;
        b.SetText(*kept);
        return b;
    }

    KsyValue Name(int id, const Ctx& c)
    {
        if (id == KsyNames::Underscore) {
            if (!c.Underscore)
                FrameError("_ where there is no current item");
            return *c.Underscore;
        }
        if (id == KsyNames::IndexName)
            return KsyValue::OfInt(c.Index);
        return ObjectMember(c.Self, id);
    }

    KsyValue ObjectMember(KsyObject* o, int id)
    {
        switch (id) {
        case KsyNames::Root: return ObjectValue(s_.Root);
        case KsyNames::Parent:
            if (!o->Parent)
                return {};
            return ObjectValue(o->Parent);
        case KsyNames::Io: {
            KsyValue v;
            v.What = Kind::Stream;
            v.Io = o->Io;
            return v;
        }
        default: return MemberOf(o, id);
        }
    }

    // An attribute, instance or parameter of o where it is kept (an
    // instance evaluated first), or a nothing when o has no such member.
    const KsyValue& MemberOf(KsyObject* o, int id)
    {
        const int found = o->Type->SlotOf(id);
        if (found < 0)
            return s_.Nothing;
        const auto slot = static_cast<std::size_t>(found);
        const std::size_t seq = o->Type->Seq.size();
        if (slot >= seq && slot < seq + o->Type->Instances.size() && o->State[slot] != 2)
            Instance(o, o->Type->Instances[slot - seq]);
        return o->Slots[slot];
    }

    KsyValue Member(const KsyValue& of, int id)
    {
        s_.Step();
        switch (of.What) {
        case Kind::Object: return ObjectMember(of.Object, id);
        case Kind::Null: throw KsyAbsent("a member of nothing: " + d_.Names.Name(id));
        case Kind::Stream:
            if (id == KsyNames::Size)
                return KsyValue::OfInt(static_cast<std::int64_t>(of.Io->Size));
            if (id == KsyNames::Pos)
                return KsyValue::OfInt(static_cast<std::int64_t>(of.Io->Pos));
            if (id == KsyNames::Eof)
                return KsyValue::OfBool(of.Io->IsEof());
            break;
        default: break;
        }
        switch (id) {
        case KsyNames::ToI: return ToInteger(of, 10);
        case KsyNames::ToS:
            if (of.What == Kind::Int)
                return OfString(std::to_string(of.Int));
            if (of.What == Kind::Str)
                return of;
            break;
        case KsyNames::Length:
        case KsyNames::Size:
            if (of.What == Kind::Str && id == KsyNames::Length) {
                s_.Charge(of.Length / 4); // a character at a time
                return KsyValue::OfInt(static_cast<std::int64_t>(KsyTextLength(of.Text())));
            }
            if (of.What == Kind::Bytes)
                return KsyValue::OfInt(static_cast<std::int64_t>(of.Text().size()));
            if (of.What == Kind::Array)
                return KsyValue::OfInt(static_cast<std::int64_t>(of.Items->size()));
            break;
        case KsyNames::First:
        case KsyNames::Last: {
            const std::int64_t n = Count(of);
            if (n < 0)
                break;
            if (n == 0)
                return {};
            return IndexOf(of, KsyValue::OfInt(id == KsyNames::First ? 0 : n - 1));
        }
        case KsyNames::Min:
        case KsyNames::Max: {
            const std::int64_t n = Count(of);
            if (n < 0)
                break;
            if (n == 0)
                FrameError("min or max of nothing");
            s_.Charge(static_cast<std::size_t>(n));
            KsyValue best = IndexOf(of, KsyValue::OfInt(0));
            for (std::int64_t k = 1; k < n; ++k) {
                KsyValue item = IndexOf(of, KsyValue::OfInt(k));
                const int order = Compare(item, best);
                if (id == KsyNames::Min ? order < 0 : order > 0)
                    best = item;
            }
            return best;
        }
        case KsyNames::Reverse:
            if (of.What == Kind::Str) {
                s_.Charge(of.Length / 4); // a character at a time
                return OfString(KsyReverseText(of.Text()));
            }
            break;
        default: break;
        }
        // JavaScript finds no such member: undefined.
        throw KsyAbsent(std::string(KindName(of.What)) + " has no " + d_.Names.Name(id));
    }

    static std::int64_t Count(const KsyValue& v)
    {
        if (v.What == Kind::Bytes)
            return static_cast<std::int64_t>(v.Text().size());
        if (v.What == Kind::Array)
            return static_cast<std::int64_t>(v.Items->size());
        return -1;
    }

    KsyValue ToInteger(const KsyValue& v, int radix)
    {
        switch (v.What) {
        case Kind::Int: return KsyValue::OfInt(v.Int);
        case Kind::Bool: return KsyValue::OfInt(v.Int);
        case Kind::Float:
            if (!std::isfinite(v.Float) || std::fabs(v.Float) >= 9.2e18)
                FrameError("a float too large for an integer");
            return KsyValue::OfInt(static_cast<std::int64_t>(std::trunc(v.Float)));
        case Kind::Str: {
            // As JavaScript's parseInt: blanks, a sign, then the digits as
            // far as they go; no digit is no number.
            const char* begin = v.Text().data();
            const char* end = begin + v.Text().size();
            while (begin != end && std::isspace(static_cast<unsigned char>(*begin)))
                ++begin;
            const bool negative = begin != end && *begin == '-';
            if (begin != end && (*begin == '+' || *begin == '-'))
                ++begin;
            if (radix == 16 && end - begin >= 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X'))
                begin += 2;
            std::uint64_t n = 0;
            const auto [at, error] = std::from_chars(begin, end, n, radix);
            if (at == begin)
                return KsyValue::OfFloat(std::nan(""));
            if (error != std::errc() || n > static_cast<std::uint64_t>(INT64_MAX))
                return KsyValue::OfFloat(std::strtod(std::string(v.Text()).c_str(), nullptr));
            return KsyValue::OfInt(negative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n));
        }
        case Kind::Null: throw KsyAbsent("to_i of nothing");
        default: FrameError(std::string(KindName(v.What)) + " has no to_i");
        }
    }

    KsyValue Call(const KsyExpr& e, const Ctx& c)
    {
        const KsyValue of = Eval(*e.Kids[0], c);
        if (of.What == Kind::Null)
            throw KsyAbsent("a call on nothing");
        std::vector<KsyValue> args;
        for (std::size_t k = 1; k < e.Kids.size(); ++k)
            args.push_back(Eval(*e.Kids[k], c));
        if (e.NameId == KsyNames::ToI && args.size() == 1 && of.What == Kind::Str) {
            const std::int64_t radix = Integer(args[0], "to_i");
            if (radix < 2 || radix > 36)
                FrameError("to_i: radix " + std::to_string(radix));
            return ToInteger(of, static_cast<int>(radix));
        }
        if (e.NameId == KsyNames::ToS && args.size() == 1 && of.What == Kind::Bytes && args[0].What == Kind::Str) {
            std::string encoding(args[0].Text());
            for (char& ch : encoding)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            s_.Charge(of.Length / 4);
            return OfString(
                KsyDecodeText({reinterpret_cast<const std::uint8_t*>(of.Text().data()), of.Text().size()}, encoding));
        }
        if (e.NameId == KsyNames::Substring && args.size() == 2 && of.What == Kind::Str) {
            s_.Charge(of.Length / 4);
            return OfString(KsySubstring(of.Text(), Integer(args[0], "substring"), Integer(args[1], "substring")));
        }
        if (args.empty())
            return Member(of, e.NameId);
        FrameError(std::string(KindName(of.What)) + " has no method " + e.Text);
    }

    KsyValue IndexOf(const KsyValue& of, const KsyValue& at)
    {
        const std::int64_t k = Integer(at, "an index");
        if (of.What == Kind::Array) {
            if (k < 0 || static_cast<std::uint64_t>(k) >= of.Items->size())
                return {};
            return (*of.Items)[static_cast<std::size_t>(k)];
        }
        if (of.What == Kind::Bytes) {
            if (k < 0 || static_cast<std::uint64_t>(k) >= of.Text().size())
                return {};
            return KsyValue::OfInt(static_cast<std::uint8_t>(of.Text()[static_cast<std::size_t>(k)]));
        }
        if (of.What == Kind::Null)
            throw KsyAbsent("an index into nothing");
        FrameError(std::string("an index into ") + KindName(of.What));
    }

    KsyValue Binary(KsyOp op, const KsyValue& a, const KsyValue& b)
    {
        if (a.What == Kind::Str || a.What == Kind::Bytes)
            s_.Charge(a.Length / 64);
        switch (op) {
        case KsyOp::Eq: return KsyValue::OfBool(Equal(a, b));
        case KsyOp::Ne: return KsyValue::OfBool(!Equal(a, b));
        default: break;
        }
        if (op == KsyOp::Lt || op == KsyOp::Le || op == KsyOp::Gt || op == KsyOp::Ge) {
            // Nothing, and a float that is no number, is in no order.
            if (a.What == Kind::Null || b.What == Kind::Null || IsNan(a) || IsNan(b))
                return KsyValue::OfBool(false);
            s_.Charge((a.What == Kind::Str || a.What == Kind::Bytes ? a.Length : 0) / 64);
            const int order = Compare(a, b);
            return KsyValue::OfBool(op == KsyOp::Lt ? order < 0
                    : op == KsyOp::Le               ? order <= 0
                    : op == KsyOp::Gt               ? order > 0
                                                    : order >= 0);
        }
        const bool bitwise
            = op == KsyOp::Shl || op == KsyOp::Shr || op == KsyOp::BitAnd || op == KsyOp::BitOr || op == KsyOp::BitXor;
        if (bitwise && (Fits32(a) || Fits32(b)) && Fits32OrLoose(a) && Fits32OrLoose(b))
            return KsyValue::OfInt(Bitwise32(op, ToInt32(a), ToInt32(b)));
        // Arithmetic on nothing or on a float that is no number gives no number.
        if (a.What == Kind::Null || b.What == Kind::Null)
            return KsyValue::OfFloat(std::nan(""));
        if (op == KsyOp::Add && a.What == Kind::Str && b.What == Kind::Str) {
            // Straight into a buffer of the scratch, which keeps its room
            // from frame to frame.
            s_.Allocate(a.Length + b.Length);
            std::string* kept = s_.NewBuffer();
            kept->assign(a.Text()).append(b.Text());
            return OfStringView(*kept);
        }
        const bool floats = a.What == Kind::Float || b.What == Kind::Float;
        if (floats
            && (op == KsyOp::Add || op == KsyOp::Sub || op == KsyOp::Mul || op == KsyOp::Div || op == KsyOp::Mod)) {
            if (!IsNumber(a) || !IsNumber(b))
                FrameError("arithmetic on " + std::string(KindName(IsNumber(a) ? b.What : a.What)));
            const double x = AsDouble(a), y = AsDouble(b);
            switch (op) {
            case KsyOp::Add: return KsyValue::OfFloat(x + y);
            case KsyOp::Sub: return KsyValue::OfFloat(x - y);
            case KsyOp::Mul: return KsyValue::OfFloat(x * y);
            case KsyOp::Div: return KsyValue::OfFloat(x / y);
            default: return KsyValue::OfFloat(std::fmod(x, y)); // as JavaScript's % takes floats
            }
        }
        const std::int64_t x = Integer(a, "arithmetic");
        const std::int64_t y = Integer(b, "arithmetic");
        const auto ux = static_cast<std::uint64_t>(x);
        if ((a.Unsigned64 || b.Unsigned64) && !bitwise)
            return WideArithmetic(op, Wide(a), Wide(b));
        switch (op) {
        // Sums and products beyond 64 bits go on as floats rather than wrap.
        case KsyOp::Add: {
            std::int64_t r;
            return __builtin_add_overflow(x, y, &r) ? KsyValue::OfFloat(AsDouble(a) + AsDouble(b)) : KsyValue::OfInt(r);
        }
        case KsyOp::Sub: {
            std::int64_t r;
            return __builtin_sub_overflow(x, y, &r) ? KsyValue::OfFloat(AsDouble(a) - AsDouble(b)) : KsyValue::OfInt(r);
        }
        case KsyOp::Mul: {
            std::int64_t r;
            return __builtin_mul_overflow(x, y, &r) ? KsyValue::OfFloat(AsDouble(a) * AsDouble(b)) : KsyValue::OfInt(r);
        }
        case KsyOp::Div:
            if (y == 0)
                return KsyValue::OfFloat(x == 0 ? std::nan("") : x > 0 ? HUGE_VAL : -HUGE_VAL);
            return KsyValue::OfInt(FloorDiv(x, y));
        case KsyOp::Mod: return KsyValue::OfInt(Modulo(x, y));
        case KsyOp::Shl: return KsyValue::OfInt(y < 0 || y >= 64 ? 0 : Wrap(ux << y));
        case KsyOp::Shr:
            if (y < 0 || y >= 64)
                return KsyValue::OfInt(x < 0 && !a.Unsigned64 ? -1 : 0);
            return KsyValue::OfInt(a.Unsigned64 ? Wrap(ux >> y) : x >> y);
        case KsyOp::BitAnd: return Bits64(x & y, a, b);
        case KsyOp::BitOr: return Bits64(x | y, a, b);
        case KsyOp::BitXor: return Bits64(x ^ y, a, b);
        default: FrameError("an operator that takes no values");
        }
    }

    // An integer as it stands, an unsigned 64-bit one too.
    static KsySignedWide Wide(const KsyValue& v)
    {
        return v.Unsigned64 ? static_cast<KsySignedWide>(static_cast<std::uint64_t>(v.Int)) : v.Int;
    }

    // A result of 64 bits: unsigned where an operand is and the sign bit is set.
    static KsyValue Bits64(std::int64_t r, const KsyValue& a, const KsyValue& b)
    {
        KsyValue v = KsyValue::OfInt(r);
        v.Unsigned64 = r < 0 && (a.Unsigned64 || b.Unsigned64);
        return v;
    }

    // Arithmetic where an operand is an unsigned 64-bit integer (2^63 and
    // above): exact in 128 bits, then an integer where it fits in 64 bits,
    // signed or unsigned, else a float.
    static KsyValue WideArithmetic(KsyOp op, KsySignedWide x, KsySignedWide y)
    {
        KsySignedWide r = 0;
        switch (op) {
        case KsyOp::Add: r = x + y; break;
        case KsyOp::Sub: r = x - y; break;
        case KsyOp::Mul:
            if (__builtin_mul_overflow(x, y, &r))
                return KsyValue::OfFloat(static_cast<double>(x) * static_cast<double>(y));
            break;
        case KsyOp::Div:
            if (y == 0)
                return KsyValue::OfFloat(x == 0 ? std::nan("") : x > 0 ? HUGE_VAL : -HUGE_VAL);
            r = x / y;
            if (x % y != 0 && (x < 0) != (y < 0))
                --r;
            break;
        case KsyOp::Mod:
            if (y <= 0)
                FrameError(
                    "modulo by " + std::to_string(static_cast<std::int64_t>(y)) + ": the divisor must be positive");
            r = x % y;
            if (r < 0)
                r += y;
            break;
        default: FrameError("an operator that takes no values");
        }
        return OfWide(r);
    }

    static KsyValue OfWide(KsySignedWide r)
    {
        if (r >= INT64_MIN && r <= INT64_MAX)
            return KsyValue::OfInt(static_cast<std::int64_t>(r));
        if (r > 0 && r <= static_cast<KsySignedWide>(UINT64_MAX)) {
            KsyValue v = KsyValue::OfInt(Wrap(static_cast<std::uint64_t>(r)));
            v.Unsigned64 = true;
            return v;
        }
        return KsyValue::OfFloat(static_cast<double>(r));
    }

    const KsyDescription& d_;
    KsyInterpreter::Scratch& s_;
};

} // namespace

KsyInterpreter::KsyInterpreter(const KsyDescription& d)
    : d_(d)
    , s_(std::make_unique<Scratch>())
{
}

KsyInterpreter::~KsyInterpreter() = default;

namespace {

[[noreturn]] void OutOfMemory()
{
    throw KsyFrameError("there is not the memory to read this frame with the description");
}

} // namespace

void KsyInterpreter::Read(std::span<const std::uint8_t> frame)
{
    s_->Root = nullptr;
    root_ = nullptr;
    s_->StackTop = static_cast<const char*>(__builtin_frame_address(0));
    try {
        s_->Reset();
        KsyStream* io = s_->NewStream(frame.data(), frame.size());
        root_ = Run(d_, *s_).ReadObject(d_.Root.get(), nullptr, io, nullptr, nullptr);
    } catch (const KsyAbsent& e) {
        throw KsyFrameError(e.what());
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

void KsyInterpreter::Field(std::size_t k, KsyValue& out)
{
    out = KsyValue{};
    if (!root_)
        return;
    try {
        s_->Depth = 0;
        s_->StackTop = static_cast<const char*>(__builtin_frame_address(0));
        const KsyField& field = d_.Fields[k];
        Run run(d_, *s_);
        out = run.Chain(root_, field.Chain);
        if (field.Expands)
            out = run.EachItem(out, field.Each);
    } catch (const KsyAbsent&) {
        out = KsyValue{};
    } catch (const std::bad_alloc&) {
        root_ = nullptr;
        OutOfMemory();
    }
}
