// SPDX-License-Identifier: GPL-3.0-or-later
// Expressions of the walk: members of objects, instances worked out where
// they are first asked for, and operations on registers.
#include "ksyplanmaker.h"

std::uint32_t KsyPlanMaker::RegisterOf(Walk& w, const KsyExpr& e, int o, int nesting)
{
    const Value v = Eval(w, e, o, nesting);
    if (v.Register < 0)
        throw NoPlan{};
    return static_cast<std::uint32_t>(v.Register);
}

// A member of object o: an attribute read, an instance worked out the
// first time it is asked for, _root or _parent.
auto KsyPlanMaker::Member(Walk& w, int o, int id, int nesting) -> Value
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

auto KsyPlanMaker::Eval(Walk& w, const KsyExpr& e, int o, int nesting) -> Value
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
