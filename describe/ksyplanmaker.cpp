// SPDX-License-Identifier: GPL-3.0-or-later
// Making a plan: the description's types walked as the interpreter would
// read a frame, with places instead of bytes. Every way through its switches
// becomes a branch of the plan that ends in the fields' values. Whatever
// the walk cannot place (a condition, a repetition, a size a frame gives, a
// parameter, a method) leaves the description without a plan.
#include "ksyinterpreter.h"
#include "ksyplan.h"

namespace {

using Code = KsyPlan::Code;

// Why a description has no plan: the walk stops.
struct NoPlan { };

// Bounds that keep a plan well inside what the interpreter may do for the
// same frame, so that a frame the plan reads never lies beyond one of its
// bounds: operations (with the steps the interpreter counts for long texts
// and processed bytes) a tenth of its steps, half its memory, a quarter of
// its depth each for objects and for instances.
constexpr std::size_t MaxOps = KsyInterpreter::MaxSteps / 10;
constexpr int MaxBranches = 256;
constexpr std::size_t MaxLevels = 32;
constexpr int MaxInstanceNesting = 32;
constexpr std::size_t MaxMemory = KsyInterpreter::MaxFrameBytes / 2;

// A stream as the walk sees it: where its bytes are (the frame or a
// buffer, from Base), where the next read begins, and its bit state.
struct Stream {
    std::uint32_t Source = 0;
    std::size_t End = 0; // of a stream of a fixed size
    bool Bounded = false;
    std::size_t Pos = 0;
    int BitsLeft = 0;
    bool Stale = false; // bytes were read since the bits left were read
};

// An object as the walk sees it: for each slot, the register of its value
// (-1 until it is read) or the object it holds.
struct Object {
    const KsyType* Type = nullptr;
    int Parent = -1;
    int Stream = 0;
    std::vector<int> Register;
    std::vector<int> Holds;
    std::vector<char> Busy; // an instance being worked out
};

// An object whose attributes are being read, and the next of them; the
// object and slot that hold it once it is read (as the interpreter keeps
// an attribute's value only when it is whole).
struct Level {
    int Object = 0;
    std::size_t Next = 0;
    bool AfterBits = false;
    int Owner = -1;
    std::size_t OwnerSlot = 0;
};

struct Walk {
    std::vector<Object> Objects;
    std::vector<Stream> Streams;
    std::vector<Level> Levels;
    std::size_t Needed = 0; // bytes of the frame read so far
    std::size_t Memory = 0; // what the interpreter would keep
};

// An expression's value in the walk: a register, or an object.
struct Value {
    int Register = -1;
    int Object = -1;
};

} // namespace

class KsyPlanMaker {
public:
    KsyPlanMaker(const KsyDescription& d, KsyPlan& p)
        : d_(d)
        , p_(p)
    {
        p_.registers_.resize(1); // register 0: none
    }

    void Make()
    {
        Walk w;
        w.Streams.push_back({});
        PushObject(w, d_.Root.get(), -1, 0, 0);
        Branch(std::move(w));
    }

private:
    std::uint32_t NewRegister()
    {
        p_.registers_.emplace_back();
        return static_cast<std::uint32_t>(p_.registers_.size() - 1);
    }
    std::uint32_t Literal(const KsyValue& v)
    {
        const std::uint32_t r = NewRegister();
        p_.registers_[r] = v;
        return r;
    }
    std::size_t Emit(const KsyPlan::Op& op)
    {
        if (p_.ops_.size() + charged_ >= MaxOps)
            throw NoPlan{};
        p_.ops_.push_back(op);
        return p_.ops_.size() - 1;
    }
    std::uint32_t EmitValue(KsyPlan::Op op)
    {
        op.Dest = NewRegister();
        Emit(op);
        return op.Dest;
    }

    // Object of type, read from stream as slot of parent.
    void PushObject(Walk& w, const KsyType* type, int parent, std::size_t slot, int stream)
    {
        if (!type->Params.empty() || w.Levels.size() >= MaxLevels)
            throw NoPlan{};
        Object o;
        o.Type = type;
        o.Parent = parent;
        o.Stream = stream;
        const auto slots = static_cast<std::size_t>(type->Slots());
        o.Register.assign(slots, -1);
        o.Holds.assign(slots, -1);
        o.Busy.assign(slots, 0);
        w.Memory += 64 + slots * (sizeof(KsyValue) + 1);
        if (w.Memory > MaxMemory)
            throw NoPlan{};
        w.Objects.push_back(std::move(o));
        w.Levels.push_back({static_cast<int>(w.Objects.size() - 1), 0, false, parent, slot});
    }

    // The place of n bytes read from stream s.
    std::size_t ReadBytes(Walk& w, int s, std::size_t n)
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
    KsyPlan::Op ReadBits(Walk& w, int s, int width, bool bigEndian)
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

    void Branch(Walk w);
    void ReadAttribute(Walk& w, const KsyAttribute& a, int o);
    void Check(Walk& w, const KsyAttribute& a, int o, std::uint32_t v);
    void Fields(Walk& w);
    Value Eval(Walk& w, const KsyExpr& e, int o, int nesting = 0);
    Value Member(Walk& w, int o, int id, int nesting);
    std::uint32_t RegisterOf(Walk& w, const KsyExpr& e, int o, int nesting = 0)
    {
        const Value v = Eval(w, e, o, nesting);
        if (v.Register < 0)
            throw NoPlan{};
        return static_cast<std::uint32_t>(v.Register);
    }

    const KsyDescription& d_;
    KsyPlan& p_;
    int branches_ = 0;
    std::size_t charged_ = 0; // the interpreter's steps for work on many bytes, on every way together
};

// Walks on from w to the end of the frame's top-level object, or to a
// switch, where each case walks on as a branch of its own.
void KsyPlanMaker::Branch(Walk w)
{
    const std::size_t need = Emit({.What = Code::Need});
    while (!w.Levels.empty()) {
        Level& level = w.Levels.back();
        const int o = level.Object;
        Object& object = w.Objects[static_cast<std::size_t>(o)];
        if (level.Next == object.Type->Seq.size()) {
            if (level.Owner >= 0)
                w.Objects[static_cast<std::size_t>(level.Owner)].Holds[level.OwnerSlot] = o;
            w.Levels.pop_back();
            continue;
        }
        const KsyAttribute& a = object.Type->Seq[level.Next++];
        const bool bits = a.HasType && a.Type.IsBits();
        if (!bits && level.AfterBits) {
            w.Streams[static_cast<std::size_t>(object.Stream)].BitsLeft = 0;
            w.Streams[static_cast<std::size_t>(object.Stream)].Stale = false;
        }
        level.AfterBits = bits;
        if (a.If || a.Repeats != KsyAttribute::Repeat::None)
            throw NoPlan{};
        if (!a.HasType || a.Type.What != KsyDataType::Kind::Switch || a.Contents) {
            ReadAttribute(w, a, o);
            continue;
        }
        // A switch: every case, then none of them, as branches.
        const KsyDataType& t = a.Type;
        if (a.Size || a.SizeEos || a.Terminator || a.Valid.Any() || a.Process.What != KsyProcess::Kind::None)
            throw NoPlan{};
        KsyPlan::Op op{.What = Code::Switch};
        op.A = RegisterOf(w, *t.SwitchOn, o);
        std::vector<std::pair<std::uint32_t, const KsyDataType*>> cases;
        for (const KsyCase& c : t.Cases)
            if (c.Key)
                cases.emplace_back(RegisterOf(w, *c.Key, o), &c.Type);
        const KsyDataType* otherwise = t.Default >= 0 ? &t.Cases[static_cast<std::size_t>(t.Default)].Type : nullptr;
        p_.ops_[need].At = w.Needed;
        op.B = static_cast<std::uint32_t>(p_.lists_.size());
        op.C = static_cast<std::uint32_t>(cases.size());
        for (const auto& c : cases)
            p_.lists_.insert(p_.lists_.end(), {c.first, 0});
        const std::size_t at = Emit(op);
        const auto walkCase = [&](const KsyDataType* type) {
            if (++branches_ > MaxBranches)
                throw NoPlan{};
            Walk b = w;
            Object& in = b.Objects[static_cast<std::size_t>(o)];
            if (!type) {
                in.Register[static_cast<std::size_t>(a.Slot)] = 0;
            } else {
                if (type->What != KsyDataType::Kind::User || !type->Arguments.empty())
                    throw NoPlan{};
                PushObject(b, type->User, o, static_cast<std::size_t>(a.Slot), in.Stream);
            }
            const std::size_t start = p_.ops_.size();
            Branch(std::move(b));
            return start;
        };
        for (std::size_t k = 0; k < cases.size(); ++k) {
            const std::size_t target = walkCase(cases[k].second);
            p_.lists_[op.B + 2 * k + 1] = static_cast<std::uint32_t>(target);
        }
        const std::size_t none = walkCase(otherwise);
        p_.ops_[at].At = none;
        return;
    }
    p_.ops_[need].At = w.Needed;
    Fields(w);
    Emit({.What = Code::End});
    if (++branches_ > MaxBranches)
        throw NoPlan{};
}

void KsyPlanMaker::ReadAttribute(Walk& w, const KsyAttribute& a, int o)
{
    const int s = w.Objects[static_cast<std::size_t>(o)].Stream;
    const auto slot = static_cast<std::size_t>(a.Slot);
    const auto keep = [&](std::uint32_t r) {
        Check(w, a, o, r);
        w.Objects[static_cast<std::size_t>(o)].Register[slot] = static_cast<int>(r);
    };
    const std::uint32_t source = w.Streams[static_cast<std::size_t>(s)].Source;
    if (a.Contents) {
        KsyPlan::Op op{.What = Code::Contents, .Source = source, .Fixed = &*a.Contents};
        op.At = ReadBytes(w, s, a.Contents->size());
        keep(EmitValue(op));
        return;
    }
    const KsyDataType* t = a.HasType ? &a.Type : nullptr;
    const bool sized = a.Size || a.SizeEos || a.Terminator;
    if (t && !sized && a.Process.What == KsyProcess::Kind::None) {
        KsyPlan::Op op{.Width = static_cast<std::uint8_t>(t->Width), .Signed = t->Signed, .BigEndian = t->BigEndian};
        op.Enum = a.Enum;
        op.Source = source;
        switch (t->What) {
        case KsyDataType::Kind::Int:
        case KsyDataType::Kind::Float:
            op.What = t->What == KsyDataType::Kind::Int ? Code::Int : Code::Float;
            op.At = ReadBytes(w, s, static_cast<std::size_t>(t->Width));
            keep(EmitValue(op));
            return;
        case KsyDataType::Kind::Bits:
        case KsyDataType::Kind::Bool: {
            KsyPlan::Op bits = ReadBits(w, s, t->Width, t->BigEndian);
            bits.Bool = t->What == KsyDataType::Kind::Bool;
            bits.Enum = a.Enum;
            keep(EmitValue(bits));
            return;
        }
        case KsyDataType::Kind::User:
            if (!t->Arguments.empty() || a.Valid.Any())
                throw NoPlan{};
            PushObject(w, t->User, o, slot, s);
            return;
        default: break;
        }
    }
    // Bytes of a size the description gives: a byte array, a text, or the
    // stream of a user type.
    if (!a.Size || a.Size->Op != KsyOp::Int || a.Size->Int < 0 || a.SizeEos || a.Terminator || a.PadRight
        || (t && t->What == KsyDataType::Kind::Str && t->Terminated))
        throw NoPlan{};
    const auto n = static_cast<std::size_t>(a.Size->Int);
    KsyPlan::Op bytes{.What = Code::Bytes, .Source = source, .A = static_cast<std::uint32_t>(n)};
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
        keep(EmitValue(bytes));
    } else if (t->What == KsyDataType::Kind::Str) {
        bytes.What = Code::Text;
        bytes.Encoding = &t->Encoding;
        bytes.B = static_cast<std::uint32_t>(p_.buffers_.size());
        p_.buffers_.emplace_back();
        w.Memory += 4 * n;
        charged_ += n / 4;
        keep(EmitValue(bytes));
    } else if (t->What == KsyDataType::Kind::User && t->Arguments.empty() && !a.Valid.Any()) {
        w.Streams.push_back({bytes.Source, bytes.At + n, true, bytes.At, 0, false});
        PushObject(w, t->User, o, slot, static_cast<int>(w.Streams.size() - 1));
    } else {
        throw NoPlan{};
    }
    if (w.Memory > MaxMemory)
        throw NoPlan{};
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

// The fields' values at the end of a branch, along their paths from the
// top-level object as the interpreter follows them.
void KsyPlanMaker::Fields(Walk& w)
{
    std::vector<std::uint32_t> registers;
    for (const KsyField& field : d_.Fields) {
        if (field.Expands)
            throw NoPlan{};
        Value v{0, -1};
        for (std::size_t i = 0; i < field.Chain.size(); ++i) {
            const KsyField::Step& step = field.Chain[i];
            if (step.NameId < 0 || step.Index >= 0)
                throw NoPlan{};
            if (i == 0)
                v = {-1, 0};
            if (v.Object < 0) { // a member of no object: nothing
                v = {0, -1};
                break;
            }
            v = step.NameId == KsyNames::Io ? Value{0, -1} : Member(w, v.Object, step.NameId, 0);
        }
        if (v.Register < 0)
            throw NoPlan{}; // an object as a field's value
        registers.push_back(static_cast<std::uint32_t>(v.Register));
    }
    KsyPlan::Op op{.What = Code::Fields};
    op.B = static_cast<std::uint32_t>(p_.lists_.size());
    op.C = static_cast<std::uint32_t>(registers.size());
    p_.lists_.insert(p_.lists_.end(), registers.begin(), registers.end());
    Emit(op);
}

// A member of object o: an attribute read, an instance worked out the
// first time it is asked for, _root or _parent.
Value KsyPlanMaker::Member(Walk& w, int o, int id, int nesting)
{
    const Object& object = w.Objects[static_cast<std::size_t>(o)];
    if (id == KsyNames::Root)
        return {-1, 0};
    if (id == KsyNames::Parent)
        return object.Parent >= 0 ? Value{-1, object.Parent} : Value{0, -1};
    if (id == KsyNames::Io)
        throw NoPlan{};
    const KsyType& type = *object.Type;
    const int found = type.SlotOf(id);
    if (found < 0)
        return {0, -1};
    const auto slot = static_cast<std::size_t>(found);
    if (object.Holds[slot] >= 0)
        return {-1, object.Holds[slot]};
    if (object.Register[slot] >= 0)
        return {object.Register[slot], -1};
    if (slot < type.Seq.size())
        return {0, -1}; // not read yet: none
    if (slot >= type.EndOfInstances || object.Busy[slot] || nesting >= MaxInstanceNesting)
        throw NoPlan{}; // a parameter, or an instance that needs itself
    const KsyAttribute& a = type.Instances[slot - type.FirstInstance];
    if (!a.Value || a.If)
        throw NoPlan{};
    w.Objects[static_cast<std::size_t>(o)].Busy[slot] = 1;
    Value v = Eval(w, *a.Value, o, nesting + 1);
    w.Objects[static_cast<std::size_t>(o)].Busy[slot] = 0;
    if (a.Enum && v.Register >= 0)
        v.Register = static_cast<int>(
            EmitValue({.What = Code::WithEnum, .A = static_cast<std::uint32_t>(v.Register), .Enum = a.Enum}));
    Object& after = w.Objects[static_cast<std::size_t>(o)];
    (v.Object >= 0 ? after.Holds : after.Register)[slot] = v.Object >= 0 ? v.Object : v.Register;
    return v;
}

Value KsyPlanMaker::Eval(Walk& w, const KsyExpr& e, int o, int nesting)
{
    const auto reg = [&](const KsyExpr& x) { return RegisterOf(w, x, o, nesting); };
    const auto value = [&](KsyPlan::Op op) { return Value{static_cast<int>(EmitValue(op)), -1}; };
    switch (e.Op) {
    case KsyOp::Int: return {static_cast<int>(Literal(KsyValue::OfInt(e.Int))), -1};
    case KsyOp::Float: return {static_cast<int>(Literal(KsyValue::OfFloat(e.Float))), -1};
    case KsyOp::Bool: return {static_cast<int>(Literal(KsyValue::OfBool(e.Int != 0))), -1};
    case KsyOp::Str: return {static_cast<int>(Literal(KsyValue::OfString(e.Text))), -1};
    case KsyOp::EnumValue: return {static_cast<int>(Literal(KsyValue::OfInt(e.Int, e.Enum))), -1};
    case KsyOp::Name:
        if (e.NameId == KsyNames::Underscore || e.NameId == KsyNames::IndexName)
            throw NoPlan{};
        return Member(w, o, e.NameId, nesting);
    case KsyOp::Member: {
        const Value of = Eval(w, *e.Kids[0], o, nesting);
        if (of.Object >= 0)
            return Member(w, of.Object, e.NameId, nesting);
        if (of.Register == 0) { // a member of nothing: the interpreter's to say
            Emit({.What = Code::Decline});
            return {0, -1};
        }
        throw NoPlan{};
    }
    case KsyOp::Cast: {
        const Value v = Eval(w, *e.Kids[0], o, nesting);
        if (e.Text != "f4" && e.Text != "f8")
            return v;
        if (v.Register < 0)
            throw NoPlan{};
        return value({.What = Code::ToFloat, .A = static_cast<std::uint32_t>(v.Register)});
    }
    case KsyOp::Neg:
    case KsyOp::BitNot:
    case KsyOp::Not: return value({.What = Code::Unary, .Operator = e.Op, .A = reg(*e.Kids[0])});
    case KsyOp::And:
    case KsyOp::Or: return value({.What = Code::Either, .Operator = e.Op, .A = reg(*e.Kids[0]), .B = reg(*e.Kids[1])});
    case KsyOp::Ternary:
        return value({.What = Code::Choose, .A = reg(*e.Kids[0]), .B = reg(*e.Kids[1]), .C = reg(*e.Kids[2])});
    case KsyOp::Array:
    case KsyOp::Call:
    case KsyOp::Index: throw NoPlan{};
    default: return value({.What = Code::Binary, .Operator = e.Op, .A = reg(*e.Kids[0]), .B = reg(*e.Kids[1])});
    }
}

std::unique_ptr<KsyPlan> KsyPlan::Make(const KsyDescription& d)
{
    auto plan = std::make_unique<KsyPlan>();
    try {
        KsyPlanMaker(d, *plan).Make();
    } catch (const NoPlan&) {
        return nullptr;
    }
    plan->DropUnused();
    return plan;
}
