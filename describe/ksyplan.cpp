// SPDX-License-Identifier: GPL-3.0-or-later
// A plan at work: its operations over a frame, and the operations a plan
// drops when it is made because no field, check or switch needs them.
#include "ksyplan.h"

#include "ksyprocess.h"
#include "ksystream.h"
#include "ksytext.h"

#include <cstring>

namespace {

using Kind = KsyValue::Kind;
using Code = KsyPlan::Code;

// The Width bytes at b as an unsigned number in the op's byte order.
std::uint64_t Load(const KsyPlan::Op& op, const std::uint8_t* b)
{
    std::uint64_t raw = 0;
    for (int k = 0; k < op.Width; ++k)
        raw |= std::uint64_t{b[op.BigEndian ? op.Width - 1 - k : k]} << (8 * k);
    return raw;
}

KsyValue Integer(const KsyPlan::Op& op, const std::uint8_t* b)
{
    const std::uint64_t raw = Load(op, b);
    KsyValue v = KsyValue::OfInt(KsyWrap(raw), op.Enum);
    if (op.Signed && op.Width < 8) {
        const int shift = 64 - 8 * op.Width;
        v.Int = KsyWrap(raw << shift) >> shift;
    }
    v.Unsigned64 = !op.Signed && op.Width == 8 && v.Int < 0;
    return v;
}

// Bit fields are read as a stream reads them, from the place and the bits
// left of the byte before that the plan worked out when it was made.
KsyValue BitField(const KsyPlan::Op& op, const std::uint8_t* source, std::size_t size)
{
    KsyStream io;
    io.Data = source;
    io.Size = size;
    io.Pos = op.At;
    io.BitsLeft = static_cast<int>(op.A);
    if (io.BitsLeft > 0) {
        const std::uint8_t before = source[op.At - 1];
        io.Bits = op.BigEndian ? before & ((1u << io.BitsLeft) - 1) : before >> (8 - io.BitsLeft);
    }
    const std::uint64_t raw = op.BigEndian ? io.ReadBitsBe(op.Width) : io.ReadBitsLe(op.Width);
    if (op.Bool)
        return KsyValue::OfBool(raw != 0);
    KsyValue v = KsyValue::OfInt(KsyWrap(raw), op.Enum);
    v.Unsigned64 = v.Int < 0;
    return v;
}

bool Holds(KsyOp how, const KsyValue& a, const KsyValue& b)
{
    switch (how) {
    case KsyOp::Ge: return KsyCompare(a, b) >= 0;
    case KsyOp::Le: return KsyCompare(a, b) <= 0;
    default: return KsyEqual(a, b);
    }
}

KsyValue Unary(KsyOp how, const KsyValue& a)
{
    switch (how) {
    case KsyOp::Neg: return KsyNegate(a);
    case KsyOp::BitNot: return KsyBitNot(a);
    default: return KsyValue::OfBool(!KsyTruth(a));
    }
}

} // namespace

const std::uint8_t* KsyPlan::SourceOf(const Op& op, std::span<const std::uint8_t> frame) const
{
    if (op.Source == 0)
        return frame.data();
    return reinterpret_cast<const std::uint8_t*>(buffers_[op.Source - 1].data());
}

// One loop over one switch, as long as the plan has codes: it is the hot
// path of every described frame, each case a line or two, and a function
// per case would cost a call per operation.
KsyPlan::Outcome KsyPlan::Read(std::span<const std::uint8_t> frame, std::span<KsyValue> out)
{
    KsyValue* r = registers_.data();
    try {
        for (const Op* op = ops_.data();; ++op) {
            switch (op->What) {
            case Code::Need:
                if (frame.size() < op->At)
                    return Outcome::Fails;
                break;
            case Code::Int: r[op->Dest] = Integer(*op, SourceOf(*op, frame) + op->At); break;
            case Code::Float: r[op->Dest] = KsyFloatOfBits(Load(*op, SourceOf(*op, frame) + op->At), op->Width); break;
            case Code::Bits: {
                const std::size_t size = op->Source == 0 ? frame.size() : buffers_[op->Source - 1].size();
                r[op->Dest] = BitField(*op, SourceOf(*op, frame), size);
                break;
            }
            case Code::Bytes: r[op->Dest] = KsyValue::OfBytes(SourceOf(*op, frame) + op->At, op->A); break;
            case Code::Text: {
                std::string& kept = buffers_[op->B];
                kept = KsyDecodeText({SourceOf(*op, frame) + op->At, op->A}, *op->Encoding);
                r[op->Dest] = KsyValue::OfString(kept);
                break;
            }
            case Code::Contents: {
                const std::uint8_t* got = SourceOf(*op, frame) + op->At;
                if (std::memcmp(got, op->Fixed->data(), op->Fixed->size()) != 0)
                    return Outcome::Fails;
                r[op->Dest] = KsyValue::OfBytes(got, op->Fixed->size());
                break;
            }
            case Code::Process: {
                std::string& bytes = buffers_[op->Dest];
                bytes.assign(reinterpret_cast<const char*>(SourceOf(*op, frame) + op->At), op->A);
                if (op->Fixed)
                    KsyXorBytes(bytes, *op->Fixed);
                else
                    KsyRotateBytes(bytes, static_cast<int>(op->B));
                break;
            }
            case Code::Check:
                if (!Holds(op->Operator, r[op->A], r[op->B]))
                    return Outcome::Fails;
                break;
            case Code::CheckAny: {
                bool any = false;
                for (std::uint32_t k = 0; k < op->C && !any; ++k)
                    any = KsyEqual(r[op->A], r[lists_[op->B + k]]);
                if (!any)
                    return Outcome::Fails;
                break;
            }
            case Code::Unary: r[op->Dest] = Unary(op->Operator, r[op->A]); break;
            case Code::Binary: {
                const KsyValue& a = r[op->A];
                if (a.What == Kind::Str || a.What == Kind::Bytes)
                    return Outcome::Declined; // texts are joined and compared by the interpreter
                r[op->Dest] = KsyBinary(op->Operator, a, r[op->B]);
                break;
            }
            case Code::Either: {
                const bool a = KsyTruth(r[op->A]);
                const bool b = KsyTruth(r[op->B]);
                r[op->Dest] = KsyValue::OfBool(op->Operator == KsyOp::And ? a && b : a || b);
                break;
            }
            case Code::Choose: r[op->Dest] = KsyTruth(r[op->A]) ? r[op->B] : r[op->C]; break;
            case Code::ToFloat: {
                const KsyValue& a = r[op->A];
                r[op->Dest] = a.What == Kind::Int || a.What == Kind::Bool ? KsyValue::OfFloat(KsyAsDouble(a)) : a;
                break;
            }
            case Code::WithEnum:
                r[op->Dest] = r[op->A];
                if (r[op->Dest].What == Kind::Int)
                    r[op->Dest].Enum = op->Enum;
                break;
            case Code::Switch: {
                std::size_t to = op->At;
                for (std::uint32_t k = 0; k < op->C; ++k)
                    if (KsyEqual(r[op->A], r[lists_[op->B + 2 * k]])) {
                        to = lists_[op->B + 2 * k + 1];
                        break;
                    }
                op = ops_.data() + to - 1;
                break;
            }
            case Code::Fields: {
                const std::uint32_t* from = lists_.data() + op->B;
                for (std::uint32_t k = 0; k < op->C; ++k)
                    out[k] = r[from[k]];
                break;
            }
            case Code::Decline: return Outcome::Declined;
            case Code::End: return Outcome::Read;
            }
        }
    } catch (const std::exception&) {
        return Outcome::Declined; // the interpreter tells what comes of it
    }
}

// Reads whose values nothing uses are dropped: a plan reads only what its
// fields, checks and switches need, and asks the frame only for its length.
void KsyPlan::DropUnused()
{
    std::vector<char> used(registers_.size(), 0);
    std::vector<char> bufferUsed(buffers_.size(), 0);
    const auto producesValue = [](Code c) {
        return c != Code::Need && c != Code::Contents && c != Code::Check && c != Code::CheckAny && c != Code::Switch
            && c != Code::Fields && c != Code::Decline && c != Code::End;
    };
    const auto live = [&](const Op& op) {
        if (op.What == Code::Process)
            return bufferUsed[op.Dest] != 0;
        return !producesValue(op.What) || used[op.Dest] != 0;
    };
    for (bool changed = true; changed;) {
        changed = false;
        const auto use = [&](std::uint32_t reg) {
            if (!used[reg])
                used[reg] = changed = true;
        };
        for (const Op& op : ops_) {
            if (!live(op))
                continue;
            if (op.Source > 0 && !bufferUsed[op.Source - 1])
                bufferUsed[op.Source - 1] = changed = true;
            switch (op.What) {
            case Code::Check:
            case Code::Binary:
            case Code::Either: use(op.A), use(op.B); break;
            case Code::Choose: use(op.A), use(op.B), use(op.C); break;
            case Code::Unary:
            case Code::ToFloat:
            case Code::WithEnum: use(op.A); break;
            case Code::Fields:
            case Code::CheckAny:
                if (op.What == Code::CheckAny)
                    use(op.A);
                for (std::uint32_t k = 0; k < op.C; ++k)
                    use(lists_[op.B + k]);
                break;
            case Code::Switch:
                use(op.A);
                for (std::uint32_t k = 0; k < op.C; ++k)
                    use(lists_[op.B + 2 * k]);
                break;
            default: break;
            }
        }
    }
    std::vector<std::size_t> movedTo(ops_.size() + 1);
    std::vector<Op> kept;
    for (std::size_t k = 0; k < ops_.size(); ++k) {
        movedTo[k] = kept.size();
        if (live(ops_[k]))
            kept.push_back(ops_[k]);
    }
    for (Op& op : kept)
        if (op.What == Code::Switch) {
            op.At = movedTo[op.At];
            for (std::uint32_t k = 0; k < op.C; ++k)
                lists_[op.B + 2 * k + 1] = static_cast<std::uint32_t>(movedTo[lists_[op.B + 2 * k + 1]]);
        }
    ops_ = std::move(kept);
}
