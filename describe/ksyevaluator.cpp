// SPDX-License-Identifier: GPL-3.0-or-later
// The evaluator: the value of an expression where it stands, and of a
// field's path from the top-level object.
#include "ksyrun.h"
#include "ksytext.h"

#include <algorithm>
#include <cctype>

namespace {

using Kind = KsyValue::Kind;

[[noreturn]] void FrameError(const std::string& why) { throw KsyFrameError(why); }

std::int64_t Count(const KsyValue& v)
{
    if (v.What == Kind::Bytes)
        return static_cast<std::int64_t>(v.Text().size());
    if (v.What == Kind::Array)
        return static_cast<std::int64_t>(v.Items->size());
    return -1;
}

} // namespace

KsyValue KsyRun::Eval(const KsyExpr& e, const KsyContext& c)
{
    s_.Step();
    switch (e.Op) {
    case KsyOp::Int: return KsyValue::OfInt(e.Int);
    case KsyOp::Float: return KsyValue::OfFloat(e.Float);
    case KsyOp::Bool: return KsyValue::OfBool(e.Int != 0);
    case KsyOp::Str: return KsyValue::OfString(e.Text);
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
            return KsyValue::OfFloat(KsyAsDouble(v));
        return v;
    }
    case KsyOp::Neg: return KsyNegate(Eval(*e.Kids[0], c));
    case KsyOp::BitNot: return KsyBitNot(Eval(*e.Kids[0], c));
    case KsyOp::Not: return KsyValue::OfBool(!KsyTruth(Eval(*e.Kids[0], c)));
    case KsyOp::And: return KsyValue::OfBool(KsyTruth(Eval(*e.Kids[0], c)) && KsyTruth(Eval(*e.Kids[1], c)));
    case KsyOp::Or: return KsyValue::OfBool(KsyTruth(Eval(*e.Kids[0], c)) || KsyTruth(Eval(*e.Kids[1], c)));
    case KsyOp::Ternary: return KsyTruth(Eval(*e.Kids[0], c)) ? Eval(*e.Kids[1], c) : Eval(*e.Kids[2], c);
    default: return Binary(e.Op, Eval(*e.Kids[0], c), Eval(*e.Kids[1], c));
    }
}

// A path of members and indices from object o: nothing where it leads
// through something that is no object or holds no such member, as
// JavaScript's property access gives undefined.
const KsyValue& KsyRun::Chain(
    KsyObject* o, const std::vector<KsyField::Step>& steps, std::size_t from, KsyObject** reached)
{
    if (reached)
        std::fill(reached + from, reached + steps.size(), nullptr);
    const KsyValue* v = &s_.Nothing;
    for (std::size_t i = from; i < steps.size(); ++i) {
        const KsyField::Step& step = steps[i];
        if (step.NameId >= 0) {
            if (!o)
                return s_.Nothing;
            if (step.NameId == KsyNames::Root || step.NameId == KsyNames::Parent) {
                KsyObject* to = step.NameId == KsyNames::Root ? s_.Root : o->Parent;
                if (!to)
                    return s_.Nothing;
                s_.Held = KsyValue::OfObject(to);
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
        if (reached)
            reached[i] = o;
    }
    return *v;
}

// What each item of list gives on the path from it: a list of as many
// values (nothing where an item has none); nothing where list is none.
KsyValue KsyRun::EachItem(const KsyValue& list, const std::vector<KsyField::Step>& steps)
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

KsyValue KsyRun::ArrayLiteral(const KsyExpr& e, const KsyContext& c)
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

KsyValue KsyRun::Name(int id, const KsyContext& c)
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

KsyValue KsyRun::ObjectMember(KsyObject* o, int id)
{
    switch (id) {
    case KsyNames::Root: return KsyValue::OfObject(s_.Root);
    case KsyNames::Parent:
        if (!o->Parent)
            return {};
        return KsyValue::OfObject(o->Parent);
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
const KsyValue& KsyRun::MemberOf(KsyObject* o, int id)
{
    const int found = o->Type->SlotOf(id);
    if (found < 0)
        return s_.Nothing;
    const auto slot = static_cast<std::size_t>(found);
    const KsyType& type = *o->Type;
    if (slot >= type.FirstInstance && slot < type.EndOfInstances && o->State[slot] != 2)
        Instance(o, type.Instances[slot - type.FirstInstance]);
    return o->Slots[slot];
}

// The least (or greatest) of the n items of of.
KsyValue KsyRun::Extreme(const KsyValue& of, std::int64_t n, bool least)
{
    if (n == 0)
        FrameError("min or max of nothing");
    s_.Charge(static_cast<std::size_t>(n));
    KsyValue best = IndexOf(of, KsyValue::OfInt(0));
    for (std::int64_t k = 1; k < n; ++k) {
        KsyValue item = IndexOf(of, KsyValue::OfInt(k));
        const int order = KsyCompare(item, best);
        if (least ? order < 0 : order > 0)
            best = item;
    }
    return best;
}

KsyValue KsyRun::Member(const KsyValue& of, int id)
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
    case KsyNames::ToI: return KsyToInteger(of, 10);
    case KsyNames::ToS:
        if (of.What == Kind::Int)
            return s_.KeepString(std::to_string(of.Int));
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
        return Extreme(of, n, id == KsyNames::Min);
    }
    case KsyNames::Reverse:
        if (of.What == Kind::Str) {
            s_.Charge(of.Length / 4); // a character at a time
            return s_.KeepString(KsyReverseText(of.Text()));
        }
        break;
    default: break;
    }
    // JavaScript finds no such member: undefined.
    throw KsyAbsent(std::string(KsyKindName(of.What)) + " has no " + d_.Names.Name(id));
}

KsyValue KsyRun::Call(const KsyExpr& e, const KsyContext& c)
{
    const KsyValue of = Eval(*e.Kids[0], c);
    if (of.What == Kind::Null)
        throw KsyAbsent("a call on nothing");
    std::vector<KsyValue> args;
    for (std::size_t k = 1; k < e.Kids.size(); ++k)
        args.push_back(Eval(*e.Kids[k], c));
    if (e.NameId == KsyNames::ToI && args.size() == 1 && of.What == Kind::Str) {
        const std::int64_t radix = KsyInteger(args[0], "to_i");
        if (radix < 2 || radix > 36)
            FrameError("to_i: radix " + std::to_string(radix));
        return KsyToInteger(of, static_cast<int>(radix));
    }
    if (e.NameId == KsyNames::ToS && args.size() == 1 && of.What == Kind::Bytes && args[0].What == Kind::Str) {
        std::string encoding(args[0].Text());
        for (char& ch : encoding)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        s_.Charge(of.Length / 4);
        return s_.KeepString(
            KsyDecodeText({reinterpret_cast<const std::uint8_t*>(of.Text().data()), of.Text().size()}, encoding));
    }
    if (e.NameId == KsyNames::Substring && args.size() == 2 && of.What == Kind::Str) {
        s_.Charge(of.Length / 4);
        return s_.KeepString(
            KsySubstring(of.Text(), KsyInteger(args[0], "substring"), KsyInteger(args[1], "substring")));
    }
    if (args.empty())
        return Member(of, e.NameId);
    FrameError(std::string(KsyKindName(of.What)) + " has no method " + e.Text);
}

KsyValue KsyRun::IndexOf(const KsyValue& of, const KsyValue& at)
{
    const std::int64_t k = KsyInteger(at, "an index");
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
    FrameError(std::string("an index into ") + KsyKindName(of.What));
}

KsyValue KsyRun::Binary(KsyOp op, const KsyValue& a, const KsyValue& b)
{
    if (a.What == Kind::Str || a.What == Kind::Bytes) // compared or joined 64 bytes a step
        s_.Charge(a.Length / 64);
    if (op == KsyOp::Add && a.What == Kind::Str && b.What == Kind::Str) {
        // Straight into a buffer of the scratch, which keeps its room from
        // frame to frame.
        s_.Allocate(a.Length + b.Length);
        std::string* kept = s_.NewBuffer();
        kept->assign(a.Text()).append(b.Text());
        return KsyValue::OfString(*kept);
    }
    return KsyBinary(op, a, b);
}
