// SPDX-License-Identifier: GPL-3.0-or-later
// The reader: a frame's objects read from its streams as the description's
// types say, attribute after attribute, and instances when first asked for.
#include "ksyprocess.h"
#include "ksyrun.h"
#include "ksytext.h"

#include <cstring>

namespace {

using Kind = KsyValue::Kind;

// Arrays may hold at most this many items.
constexpr std::size_t MaxItems = 1 << 16;

[[noreturn]] void FrameError(const std::string& why) { throw KsyFrameError(why); }

// A level of types or instances within each other, bounded in number and
// in the stack it takes.
struct Nest {
    explicit Nest(KsyScratch& s)
        : s_(s)
    {
        const auto* here = static_cast<const char*>(__builtin_frame_address(0));
        if (++s_.Depth > KsyInterpreter::MaxDepth
            || static_cast<std::size_t>(s_.StackTop - here) > KsyInterpreter::MaxStackBytes)
            FrameError("types or instances nest too deep");
    }
    ~Nest() { --s_.Depth; }
    KsyScratch& s_;
};

void ReadInteger(const KsyDataType& t, const KsyEnum* e, KsyStream* io, KsyValue& v)
{
    const std::uint64_t raw = io->ReadUnsigned(t.Width, t.BigEndian);
    v.What = Kind::Int;
    v.Enum = e;
    v.Int = KsyWrap(raw);
    if (t.Signed && t.Width < 8) {
        const int shift = 64 - 8 * t.Width;
        v.Int = KsyWrap(raw << shift) >> shift;
    }
    v.Unsigned64 = !t.Signed && t.Width == 8 && v.Int < 0;
}

} // namespace

KsyObject* KsyRun::ReadObject(
    const KsyType* type, KsyObject* parent, KsyStream* io, const KsyDataType* call, const KsyContext* caller)
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
    KsyContext c{o};
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
        if (a.If && !KsyTruth(Eval(*a.If, c)))
            continue;
        o->Slots[static_cast<std::size_t>(a.Slot)] = ReadAttribute(a, o, io);
        o->State[static_cast<std::size_t>(a.Slot)] = 2;
    }
    return o;
}

const KsyValue& KsyRun::Instance(KsyObject* o, const KsyAttribute& a)
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
    const KsyContext c{o};
    KsyValue v;
    if (!a.If || KsyTruth(Eval(*a.If, c))) {
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
                io->Seek(KsyInteger(Eval(*a.Pos, c), "pos"));
            v = ReadAttribute(a, o, io);
            if (a.Pos)
                io->Pos = was;
        }
    }
    o->Slots[slot] = v;
    o->State[slot] = 2;
    return o->Slots[slot];
}

// Where the description says what a frame breaks, "qb50.ksy:11": the
// description's line, never to be taken for a line of the capture.
std::string KsyRun::Where(const KsyAttribute& a) const
{
    const std::size_t slash = d_.File.find_last_of("/\\");
    return (slash == std::string::npos ? d_.File : d_.File.substr(slash + 1)) + ":" + std::to_string(a.Line);
}

KsyValue KsyRun::ReadAttribute(const KsyAttribute& a, KsyObject* o, KsyStream* io)
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
        const std::int64_t n = KsyInteger(Eval(*a.RepeatExpr, KsyContext{o}), "repeat-expr");
        for (std::int64_t k = 0; k < n; ++k)
            add(k);
        break;
    }
    case KsyAttribute::Repeat::Until:
        for (std::int64_t k = 0;; ++k) {
            add(k);
            const KsyContext c{o, &items.back(), k};
            if (KsyTruth(Eval(*a.RepeatExpr, c)))
                break;
        }
        break;
    case KsyAttribute::Repeat::None: break;
    }
    return list;
}

const KsyValue& KsyRun::Checked(const KsyAttribute& a, const KsyValue& v, KsyObject* o)
{
    if (!a.Valid.Any())
        return v;
    const KsyContext c{o, &v};
    const auto fail = [&](const char* how) { FrameError(a.Id + " is not valid: " + how + " (" + Where(a) + ")"); };
    if (a.Valid.Eq && !KsyEqual(v, Eval(*a.Valid.Eq, c)))
        fail("not the value it must be");
    if (a.Valid.Min && KsyCompare(v, Eval(*a.Valid.Min, c)) < 0)
        fail("below its minimum");
    if (a.Valid.Max && KsyCompare(v, Eval(*a.Valid.Max, c)) > 0)
        fail("above its maximum");
    if (!a.Valid.AnyOf.empty() && std::none_of(a.Valid.AnyOf.begin(), a.Valid.AnyOf.end(), [&](const KsyExprPtr& x) {
            return KsyEqual(v, Eval(*x, c));
        }))
        fail("none of the values it may be");
    if (a.Valid.Expr && !KsyTruth(Eval(*a.Valid.Expr, c)))
        fail("its expression is false");
    return v;
}

const KsyDataType* KsyRun::CaseOf(const KsyDataType& t, KsyObject* o)
{
    const KsyContext c{o};
    const KsyValue on = Eval(*t.SwitchOn, c);
    for (const auto& [key, type] : t.Cases)
        if (key && KsyEqual(on, Eval(*key, c)))
            return &type;
    return t.Default >= 0 ? &t.Cases[static_cast<std::size_t>(t.Default)].Type : nullptr;
}

KsyValue KsyRun::ReadOne(const KsyAttribute& a, KsyObject* o, KsyStream* io, std::int64_t index)
{
    s_.Step();
    const KsyContext c{o, nullptr, index};
    if (a.Contents) {
        const std::string& want = *a.Contents;
        const std::uint8_t* got = io->ReadBytes(want.size());
        if (std::memcmp(got, want.data(), want.size()) != 0)
            FrameError(a.Id + " does not hold its fixed contents (" + Where(a) + ")");
        return KsyValue::OfBytes(got, want.size());
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
        case KsyDataType::Kind::Float: return KsyFloatOfBits(io->ReadUnsigned(t->Width, t->BigEndian), t->Width);
        case KsyDataType::Kind::Bits:
        case KsyDataType::Kind::Bool: {
            if (t->Width > 64)
                return WideBits(*t, io);
            const std::uint64_t raw = t->BigEndian ? io->ReadBitsBe(t->Width) : io->ReadBitsLe(t->Width);
            if (t->What == KsyDataType::Kind::Bool)
                return KsyValue::OfBool(raw != 0);
            KsyValue v = KsyValue::OfInt(KsyWrap(raw), a.Enum);
            v.Unsigned64 = v.Int < 0;
            return v;
        }
        case KsyDataType::Kind::User:
            if (!a.Size && !a.SizeEos && !a.Terminator)
                return KsyValue::OfObject(ReadObject(t->User, o, io, t, &c));
            break;
        default: break;
        }
    }
    // Bytes: a byte array, a string, or a user type's own stream.
    std::span<const std::uint8_t> raw = RawBytes(a, t, io, c);
    if (a.Process.What != KsyProcess::Kind::None)
        raw = Processed(a, raw, c);
    if (!t || t->What == KsyDataType::Kind::Bytes || t->What == KsyDataType::Kind::Switch)
        return KsyValue::OfBytes(raw.data(), raw.size());
    if (t->What == KsyDataType::Kind::Str) {
        s_.Charge(raw.size() / 4); // a character at a time
        return s_.KeepString(KsyDecodeText(raw, t->Encoding));
    }
    if (t->What == KsyDataType::Kind::User)
        return KsyValue::OfObject(ReadObject(t->User, o, s_.NewStream(raw.data(), raw.size()), t, &c));
    FrameError(a.Id + ": a number cannot be read from a sized byte array");
}

std::span<const std::uint8_t> KsyRun::RawBytes(
    const KsyAttribute& a, const KsyDataType* t, KsyStream* io, const KsyContext& c)
{
    const bool strz = t && t->What == KsyDataType::Kind::Str && t->Terminated;
    const int terminator = a.Terminator ? *a.Terminator : strz ? 0 : -1;
    std::span<const std::uint8_t> raw;
    if (a.Size || a.SizeEos) {
        std::uint64_t n = io->Size - io->Pos;
        if (a.Size) {
            const std::int64_t size = KsyInteger(Eval(*a.Size, c), "size");
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

std::span<const std::uint8_t> KsyRun::Processed(
    const KsyAttribute& a, std::span<const std::uint8_t> raw, const KsyContext& c)
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
        if (arg.What == Kind::Bytes)
            KsyXorBytes(*out, arg.Text());
        else
            KsyXorBytes(*out, std::string(1, static_cast<char>(KsyInteger(arg, "xor"))));
    } else {
        const auto n = static_cast<int>(KsyModulo(KsyInteger(arg, "rotation"), 8));
        KsyRotateBytes(*out, a.Process.What == KsyProcess::Kind::Ror ? (8 - n) % 8 : n);
    }
    return {reinterpret_cast<const std::uint8_t*>(out->data()), out->size()};
}

// A bit field of more than 64 bits: its bits, the first of the value
// first, in as many bytes as they fill (the first byte padded with
// zeros at its top).
KsyValue KsyRun::WideBits(const KsyDataType& t, KsyStream* io)
{
    const auto width = static_cast<std::size_t>(t.Width);
    s_.Allocate(width / 8);        // within the frame's memory before any is taken
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
    return KsyValue::OfBytes(reinterpret_cast<const std::uint8_t*>(kept->data()), kept->size());
}

// The bytes a process of the SatNOGS decoders makes of raw, in the
// scratch (base64 and hex take up to twice the room).
std::span<const std::uint8_t> KsyRun::SatnogsProcessed(
    const KsyAttribute& a, std::span<const std::uint8_t> raw, const KsyContext& c)
{
    std::int64_t arguments[3] = {};
    for (std::size_t k = 0; k < a.Process.Arguments.size() && k < std::size(arguments); ++k)
        arguments[k] = KsyInteger(Eval(*a.Process.Arguments[k], c), "a process's argument");
    s_.Allocate(2 * raw.size() + 4);
    s_.Charge(raw.size()); // a few steps a byte, a bit at a time for the scrambler
    std::string* out = s_.NewBuffer();
    out->clear();
    if (const auto error = a.Process.Satnogs->Run(raw, std::span(arguments, a.Process.Arguments.size()), *out))
        FrameError(a.Id + ": process " + a.Process.Name + ": " + *error);
    return {reinterpret_cast<const std::uint8_t*>(out->data()), out->size()};
}
