// SPDX-License-Identifier: GPL-3.0-or-later
// The walk of a description's types: objects, their attributes in order,
// and a branch for every way through a switch.
#include "ksyplanmaker.h"

std::uint32_t KsyPlanMaker::NewRegister()
{
    p_.registers_.emplace_back();
    return static_cast<std::uint32_t>(p_.registers_.size() - 1);
}

std::uint32_t KsyPlanMaker::Literal(const KsyValue& v)
{
    const std::uint32_t r = NewRegister();
    p_.registers_[r] = v;
    return r;
}

std::size_t KsyPlanMaker::Emit(const KsyPlan::Op& op)
{
    if (p_.ops_.size() + charged_ >= MaxOps)
        throw NoPlan{};
    p_.ops_.push_back(op);
    return p_.ops_.size() - 1;
}

std::uint32_t KsyPlanMaker::EmitValue(KsyPlan::Op op)
{
    op.Dest = NewRegister();
    Emit(op);
    return op.Dest;
}

void KsyPlanMaker::Make()
{
    Walk w;
    w.Streams.push_back({});
    PushObject(w, d_.Root.get(), -1, 0, 0);
    Branch(std::move(w));
}

// Object of type, read from stream as slot of parent.
void KsyPlanMaker::PushObject(Walk& w, const KsyType* type, int parent, std::size_t slot, int stream)
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
        if (a.Size || a.SizeEos || a.Terminator || a.Valid.Any() || a.Process.What != KsyProcess::Kind::None)
            throw NoPlan{};
        p_.ops_[need].At = w.Needed;
        SwitchBranches(w, a, o);
        return;
    }
    p_.ops_[need].At = w.Needed;
    Fields(w);
    Emit({.What = Code::End});
    if (++branches_ > MaxBranches)
        throw NoPlan{};
}

// A switch of object o: every case, then none of them, as branches of
// their own that walk on from w.
void KsyPlanMaker::SwitchBranches(Walk& w, const KsyAttribute& a, int o)
{
    const KsyDataType& t = a.Type;
    KsyPlan::Op op{.What = Code::Switch};
    op.A = RegisterOf(w, *t.SwitchOn, o);
    std::vector<std::pair<std::uint32_t, const KsyDataType*>> cases;
    for (const KsyCase& c : t.Cases)
        if (c.Key)
            cases.emplace_back(RegisterOf(w, *c.Key, o), &c.Type);
    const KsyDataType* otherwise = t.Default >= 0 ? &t.Cases[static_cast<std::size_t>(t.Default)].Type : nullptr;
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

std::unique_ptr<KsyPlan> KsyPlan::Make(const KsyDescription& d)
{
    auto plan = std::make_unique<KsyPlan>();
    try {
        KsyPlanMaker(d, *plan).Make();
    } catch (const KsyPlanMaker::NoPlan&) {
        return nullptr;
    }
    plan->DropUnused();
    return plan;
}
