// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Making a plan: the description's types walked as the interpreter would
// read a frame, with places instead of bytes. Every way through its switches
// becomes a branch of the plan that ends in the fields' values. Whatever
// the walk cannot place (a condition, a repetition, a size a frame gives, a
// parameter, a method) leaves the description without a plan. The walk of
// types is in ksyplanmaker.cpp, the reading of one attribute in
// ksyplanreads.cpp, expressions and members in ksyplanexpressions.cpp.
#include "ksyinterpreter.h"
#include "ksyplan.h"

#include <cstdint>
#include <vector>

class KsyPlanMaker {
public:
    KsyPlanMaker(const KsyDescription& d, KsyPlan& p)
        : d_(d)
        , p_(p)
    {
        p_.registers_.resize(1); // register 0: none
    }

    // Fills the plan; throws NoPlan where the description has none.
    void Make();

    // Why a description has no plan: the walk stops.
    struct NoPlan { };

private:
    using Code = KsyPlan::Code;

    // Bounds that keep a plan well inside what the interpreter may do for
    // the same frame, so that a frame the plan reads never lies beyond one
    // of its bounds: operations (with the steps the interpreter counts for
    // long texts and processed bytes) a tenth of its steps, half its memory,
    // a quarter of its depth each for objects and for instances.
    static constexpr std::size_t MaxOps = KsyInterpreter::MaxSteps / 10;
    static constexpr int MaxBranches = 256;
    static constexpr std::size_t MaxLevels = 32;
    static constexpr int MaxInstanceNesting = 32;
    static constexpr std::size_t MaxMemory = KsyInterpreter::MaxFrameBytes / 2;

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

    // An object as the walk sees it: for each slot, the register of its
    // value (-1 until it is read) or the object it holds.
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

    std::uint32_t NewRegister();
    std::uint32_t Literal(const KsyValue& v);
    std::size_t Emit(const KsyPlan::Op& op);
    std::uint32_t EmitValue(KsyPlan::Op op);

    // The walk of types (ksyplanmaker.cpp).
    void PushObject(Walk& w, const KsyType* type, int parent, std::size_t slot, int stream);
    void Branch(Walk w);
    void SwitchBranches(Walk& w, const KsyAttribute& a, int o);
    void Fields(Walk& w);

    // One attribute (ksyplanreads.cpp).
    std::size_t ReadBytes(Walk& w, int s, std::size_t n);
    KsyPlan::Op ReadBits(Walk& w, int s, int width, bool bigEndian);
    void ReadAttribute(Walk& w, const KsyAttribute& a, int o);
    bool ReadFixed(Walk& w, const KsyAttribute& a, int o);
    void ReadSized(Walk& w, const KsyAttribute& a, int o);
    void Keep(Walk& w, const KsyAttribute& a, int o, std::uint32_t r);
    void Check(Walk& w, const KsyAttribute& a, int o, std::uint32_t v);

    // Expressions and members (ksyplanexpressions.cpp).
    Value Eval(Walk& w, const KsyExpr& e, int o, int nesting = 0);
    Value Member(Walk& w, int o, int id, int nesting);
    std::uint32_t RegisterOf(Walk& w, const KsyExpr& e, int o, int nesting = 0);

    const KsyDescription& d_;
    KsyPlan& p_;
    int branches_ = 0;
    std::size_t charged_ = 0; // the interpreter's steps for work on many bytes, on every way together
};
