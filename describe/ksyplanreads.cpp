// SPDX-License-Identifier: GPL-3.0-or-later
// One attribute of the walk: its place in its stream, its operation and its
// checks.
#include "ksyplanmaker.h"

#include <algorithm>

// The place of n bytes read from stream s.
std::size_t KsyPlanMaker::ReadBytes(Walk& w, int s, std::size_t n)
{
    Stream& io = w.Streams[static_cast<std::size_t>(s)];
    io.Stale = io.Stale || io.BitsLeft > 0;
    const std::size_t at = io.Pos;
    io.Pos += n;
    if (io.Bounded && io.Pos > io.End)
        throw NoPlan{}; // never reads: left to the interpreter
    if (io.Source == 0)
        w.Needed = std::max(w.Needed, io.Pos);
    return at;
}

// A bit field of width bits: its op with the place and bits left.
KsyPlan::Op KsyPlanMaker::ReadBits(Walk& w, int s, int width, bool bigEndian)
{
    Stream& io = w.Streams[static_cast<std::size_t>(s)];
    if (width > 64 || (io.Stale && io.BitsLeft > 0))
        throw NoPlan{};
    KsyPlan::Op op{.What = Code::Bits, .Width = static_cast<std::uint8_t>(width), .BigEndian = bigEndian};
    op.Source = io.Source;
    op.At = io.Pos;
    op.A = static_cast<std::uint32_t>(io.BitsLeft);
    const int needed = width - io.BitsLeft;
    if (needed > 0)
        ReadBytes(w, s, static_cast<std::size_t>((needed + 7) / 8));
    io.BitsLeft = -needed & 7;
    io.Stale = false;
    return op;
}

// Register r as the value of attribute a of object o, once it passes its
// checks.
void KsyPlanMaker::Keep(Walk& w, const KsyAttribute& a, int o, std::uint32_t r)
{
    Check(w, a, o, r);
    w.Objects[static_cast<std::size_t>(o)].Register[static_cast<std::size_t>(a.Slot)] = static_cast<int>(r);
}

void KsyPlanMaker::ReadAttribute(Walk& w, const KsyAttribute& a, int o)
{
    if (a.Contents) {
        const int s = w.Objects[static_cast<std::size_t>(o)].Stream;
        KsyPlan::Op op{.What = Code::Contents, .Fixed = &*a.Contents};
        op.Source = w.Streams[static_cast<std::size_t>(s)].Source;
        op.At = ReadBytes(w, s, a.Contents->size());
        Keep(w, a, o, EmitValue(op));
        return;
    }
    if (!ReadFixed(w, a, o))
        ReadSized(w, a, o);
    if (w.Memory > MaxMemory)
        throw NoPlan{};
}

// An attribute whose type fixes its size: a number, bits, or a user type
// read inline. False where its size comes from elsewhere.
bool KsyPlanMaker::ReadFixed(Walk& w, const KsyAttribute& a, int o)
{
    if (!a.HasType || a.Size || a.SizeEos || a.Terminator || a.Process.What != KsyProcess::Kind::None)
        return false;
    const KsyDataType& t = a.Type;
    const int s = w.Objects[static_cast<std::size_t>(o)].Stream;
    KsyPlan::Op op{.Width = static_cast<std::uint8_t>(t.Width), .Signed = t.Signed, .BigEndian = t.BigEndian};
    op.Enum = a.Enum;
    op.Source = w.Streams[static_cast<std::size_t>(s)].Source;
    switch (t.What) {
    case KsyDataType::Kind::Int:
    case KsyDataType::Kind::Float:
        op.What = t.What == KsyDataType::Kind::Int ? Code::Int : Code::Float;
        op.At = ReadBytes(w, s, static_cast<std::size_t>(t.Width));
        Keep(w, a, o, EmitValue(op));
        return true;
    case KsyDataType::Kind::Bits:
    case KsyDataType::Kind::Bool: {
        KsyPlan::Op bits = ReadBits(w, s, t.Width, t.BigEndian);
        bits.Bool = t.What == KsyDataType::Kind::Bool;
        bits.Enum = a.Enum;
        Keep(w, a, o, EmitValue(bits));
        return true;
    }
    case KsyDataType::Kind::User:
        if (!t.Arguments.empty() || a.Valid.Any())
            throw NoPlan{};
        PushObject(w, t.User, o, static_cast<std::size_t>(a.Slot), s);
        return true;
    default: return false;
    }
}

// Bytes of a size the description gives: a byte array, a text, or the
// stream of a user type, processed first where the attribute says so.
void KsyPlanMaker::ReadSized(Walk& w, const KsyAttribute& a, int o)
{
    const KsyDataType* t = a.HasType ? &a.Type : nullptr;
    if (!a.Size || a.Size->Op != KsyOp::Int || a.Size->Int < 0 || a.SizeEos || a.Terminator || a.PadRight
        || (t && t->What == KsyDataType::Kind::Str && t->Terminated))
        throw NoPlan{};
    const int s = w.Objects[static_cast<std::size_t>(o)].Stream;
    const auto n = static_cast<std::size_t>(a.Size->Int);
    KsyPlan::Op bytes{.What = Code::Bytes, .A = static_cast<std::uint32_t>(n)};
    bytes.Source = w.Streams[static_cast<std::size_t>(s)].Source;
    bytes.At = ReadBytes(w, s, n);
    if (a.Process.What != KsyProcess::Kind::None) {
        const KsyExpr* argument = a.Process.Argument.get();
        if (a.Process.What == KsyProcess::Kind::Satnogs || a.Process.What == KsyProcess::Kind::Unsupported || !argument
            || argument->Op != KsyOp::Int)
            throw NoPlan{};
        KsyPlan::Op process = bytes;
        process.What = Code::Process;
        if (a.Process.What == KsyProcess::Kind::Xor) {
            process.Fixed = &p_.keys_.emplace_back(1, static_cast<char>(argument->Int));
        } else {
            const auto left = static_cast<std::uint32_t>(KsyModulo(argument->Int, 8));
            process.B = a.Process.What == KsyProcess::Kind::Ror ? (8 - left) % 8 : left;
        }
        process.Dest = static_cast<std::uint32_t>(p_.buffers_.size());
        p_.buffers_.emplace_back();
        Emit(process);
        w.Memory += n;
        charged_ += n / 64;
        bytes.Source = process.Dest + 1;
        bytes.At = 0;
    }
    if (!t || t->What == KsyDataType::Kind::Bytes) {
        Keep(w, a, o, EmitValue(bytes));
    } else if (t->What == KsyDataType::Kind::Str) {
        bytes.What = Code::Text;
        bytes.Encoding = &t->Encoding;
        bytes.B = static_cast<std::uint32_t>(p_.buffers_.size());
        p_.buffers_.emplace_back();
        w.Memory += 4 * n;
        charged_ += n / 4;
        Keep(w, a, o, EmitValue(bytes));
    } else if (t->What == KsyDataType::Kind::User && t->Arguments.empty() && !a.Valid.Any()) {
        w.Streams.push_back({bytes.Source, bytes.At + n, true, bytes.At, 0, false});
        PushObject(w, t->User, o, static_cast<std::size_t>(a.Slot), static_cast<int>(w.Streams.size() - 1));
    } else {
        throw NoPlan{};
    }
}

// An attribute's valid: checks against values worked out in the object (a
// check that names the value itself, _, is left to the interpreter).
void KsyPlanMaker::Check(Walk& w, const KsyAttribute& a, int o, std::uint32_t v)
{
    if (!a.Valid.Any())
        return;
    if (a.Valid.Expr)
        throw NoPlan{};
    const std::pair<const KsyExprPtr*, KsyOp> bounds[]
        = {{&a.Valid.Eq, KsyOp::Eq}, {&a.Valid.Min, KsyOp::Ge}, {&a.Valid.Max, KsyOp::Le}};
    for (const auto& [bound, how] : bounds)
        if (*bound)
            Emit({.What = Code::Check, .Operator = how, .A = v, .B = RegisterOf(w, **bound, o)});
    if (a.Valid.AnyOf.empty())
        return;
    std::vector<std::uint32_t> any;
    for (const KsyExprPtr& x : a.Valid.AnyOf)
        any.push_back(RegisterOf(w, *x, o));
    KsyPlan::Op op{.What = Code::CheckAny, .A = v};
    op.B = static_cast<std::uint32_t>(p_.lists_.size());
    op.C = static_cast<std::uint32_t>(any.size());
    p_.lists_.insert(p_.lists_.end(), any.begin(), any.end());
    Emit(op);
}
