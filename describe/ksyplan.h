// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"
#include "ksyvalue.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

// A straight reading of a description whose frames keep their values at
// places the description fixes: attributes of fixed sizes, switches on
// values read before them, value instances of plain arithmetic. Made once
// from the description, it reads a frame's fields as a short list of
// loads, checks and operations instead of walking the types, and gives the
// values the interpreter gives. Where a frame is too short, fails a check,
// or goes where the plan does not follow, the plan declines and the
// interpreter reads the frame (and says why it does not read).
class KsyPlan {
public:
    // The plan of d, or null where d's frames do not read that way. d must
    // outlive the plan.
    static std::unique_ptr<KsyPlan> Make(const KsyDescription& d);

    // What reading a frame with the plan comes to: its fields read; the
    // frame certainly does not read (it is too short for its branch, or a
    // check or contents fails: the interpreter would say why); or the plan
    // declines, and only the interpreter can tell.
    enum class Outcome : std::uint8_t { Read, Fails, Declined };
    // Reads frame's fields into out (one for each field of the description).
    // Values refer to frame and to the plan's buffers until the next frame
    // is read.
    Outcome Read(std::span<const std::uint8_t> frame, std::span<KsyValue> out);

    // What the plan does, an operation at a time; registers hold values,
    // register 0 always none.
    enum class Code : std::uint8_t {
        Need,     // the frame holds at least At bytes
        Int,      // Dest = the integer of Width bytes at At of Source
        Float,    // Dest = the float of Width bytes
        Bits,     // Dest = Width bits from byte At with A bits of the byte before left (Bool: a boolean)
        Bytes,    // Dest = A bytes at At
        Text,     // Dest = A bytes at At as text in Encoding, kept in buffer B
        Contents, // Dest = the bytes of Fixed at At, or decline
        Process,  // buffer Dest = A bytes at At, xored with Fixed or rotated left by B bits
        Check,    // decline unless register A compares with B as Operator says (Eq, Ge, Le)
        CheckAny, // decline unless A equals one of the registers in Lists from B, C of them
        Unary,    // Dest = Operator (Neg, BitNot, Not) of A
        Binary,   // Dest = A Operator B
        Either,   // Dest = A Operator (And, Or) B, both evaluated
        Choose,   // Dest = A ? B : C
        ToFloat,  // Dest = A as a float where it is an integer or a boolean
        WithEnum, // Dest = A, an integer then of Enum
        Switch,   // go to the target of the first key in Lists from B (C pairs: key, target) equal to A, else At
        Fields,   // each field k = the register at Lists from B + k, C of them
        Decline,
        End,
    };
    struct Op {
        Code What = Code::End;
        std::uint8_t Width = 0;
        bool Signed = false;
        bool BigEndian = false;
        bool Bool = false;
        KsyOp Operator = KsyOp::Int;
        std::uint32_t Source = 0; // 0 the frame, n buffer n - 1
        std::uint32_t Dest = 0;
        std::uint32_t A = 0, B = 0, C = 0;
        std::size_t At = 0;
        const KsyEnum* Enum = nullptr;
        const std::string* Fixed = nullptr; // contents, or a xor key
        const std::string* Encoding = nullptr;
    };

private:
    friend class KsyPlanMaker;
    const std::uint8_t* SourceOf(const Op& op, std::span<const std::uint8_t> frame) const;
    void DropUnused();

    std::vector<Op> ops_;
    std::vector<std::uint32_t> lists_;
    std::vector<KsyValue> registers_; // literals are set once, the rest per frame
    std::vector<std::string> buffers_;
    std::deque<std::string> keys_; // xor keys worked out when the plan is made
};
