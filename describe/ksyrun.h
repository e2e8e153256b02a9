// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksyscratch.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One frame's reading with a description: the reader (ksyreader.cpp) reads
// the types' attributes from the streams into objects and evaluates
// instances when they are first asked for; the evaluator (ksyevaluator.cpp)
// gives an expression's value and a field path's. Both keep what they make
// in the scratch.
class KsyRun {
public:
    KsyRun(const KsyDescription& d, KsyScratch& s)
        : d_(d)
        , s_(s)
    {
    }

    // Reads an object of type from io: call and caller give the arguments
    // of a type with parameters.
    KsyObject* ReadObject(
        const KsyType* type, KsyObject* parent, KsyStream* io, const KsyDataType* call, const KsyContext* caller);
    // An instance of o, evaluated or read the first time it is asked for.
    const KsyValue& Instance(KsyObject* o, const KsyAttribute& a);

    KsyValue Eval(const KsyExpr& e, const KsyContext& c);
    // A path of members and indices from object o: nothing where it leads
    // through something that is no object or holds no such member, as
    // JavaScript's property access gives undefined.
    // Steps from `from` on, o being where the steps before led; where
    // reached is given, reached[i] is the object step i led to (null where
    // none, also after a step that leads through nothing).
    const KsyValue& Chain(
        KsyObject* o, const std::vector<KsyField::Step>& steps, std::size_t from = 0, KsyObject** reached = nullptr);
    // What each item of list gives on the path from it: a list of as many
    // values (nothing where an item has none); nothing where list is none.
    KsyValue EachItem(const KsyValue& list, const std::vector<KsyField::Step>& steps);

private:
    // The reader's.
    std::string Where(const KsyAttribute& a) const;
    KsyValue ReadAttribute(const KsyAttribute& a, KsyObject* o, KsyStream* io);
    const KsyValue& Checked(const KsyAttribute& a, const KsyValue& v, KsyObject* o);
    const KsyDataType* CaseOf(const KsyDataType& t, KsyObject* o);
    KsyValue ReadOne(const KsyAttribute& a, KsyObject* o, KsyStream* io, std::int64_t index);
    std::span<const std::uint8_t> RawBytes(
        const KsyAttribute& a, const KsyDataType* t, KsyStream* io, const KsyContext& c);
    std::span<const std::uint8_t> Processed(
        const KsyAttribute& a, std::span<const std::uint8_t> raw, const KsyContext& c);
    KsyValue WideBits(const KsyDataType& t, KsyStream* io);
    std::span<const std::uint8_t> SatnogsProcessed(
        const KsyAttribute& a, std::span<const std::uint8_t> raw, const KsyContext& c);

    // The evaluator's.
    KsyValue ArrayLiteral(const KsyExpr& e, const KsyContext& c);
    KsyValue Name(int id, const KsyContext& c);
    KsyValue ObjectMember(KsyObject* o, int id);
    const KsyValue& MemberOf(KsyObject* o, int id);
    KsyValue Member(const KsyValue& of, int id);
    KsyValue Call(const KsyExpr& e, const KsyContext& c);
    KsyValue IndexOf(const KsyValue& of, const KsyValue& at);
    KsyValue Extreme(const KsyValue& of, std::int64_t n, bool least);
    KsyValue Binary(KsyOp op, const KsyValue& a, const KsyValue& b);

    const KsyDescription& d_;
    KsyScratch& s_;
};
