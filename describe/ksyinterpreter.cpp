// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyinterpreter.h"

#include "ksyrun.h"

#include <algorithm>

KsyInterpreter::KsyInterpreter(const KsyDescription& d)
    : d_(d)
    , s_(std::make_unique<KsyScratch>())
{
    for (const KsyField& field : d_.Fields)
        reached_.resize(std::max(reached_.size(), field.Chain.size()));
}

KsyInterpreter::~KsyInterpreter() = default;

namespace {

[[noreturn]] void OutOfMemory()
{
    throw KsyFrameError("there is not the memory to read this frame with the description");
}

} // namespace

void KsyInterpreter::Read(std::span<const std::uint8_t> frame)
{
    s_->Root = nullptr;
    root_ = nullptr;
    s_->StackTop = static_cast<const char*>(__builtin_frame_address(0));
    try {
        s_->Reset();
        KsyStream* io = s_->NewStream(frame.data(), frame.size());
        root_ = KsyRun(d_, *s_).ReadObject(d_.Root.get(), nullptr, io, nullptr, nullptr);
    } catch (const KsyAbsent& e) {
        throw KsyFrameError(e.what());
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

void KsyInterpreter::Fields(std::span<KsyValue> out)
{
    if (!root_) {
        std::fill(out.begin(), out.end(), KsyValue{});
        return;
    }
    KsyRun run(d_, *s_);
    s_->StackTop = static_cast<const char*>(__builtin_frame_address(0));
    for (std::size_t k = 0; k < out.size(); ++k) {
        const KsyField& field = d_.Fields[k];
        try {
            s_->Depth = 0;
            // Fields that begin alike (body.a, body.b) take their first steps once.
            const std::size_t from = field.SharedSteps;
            out[k] = run.Chain(from > 0 ? reached_[from - 1] : root_, field.Chain, from, reached_.data());
            if (field.Expands)
                out[k] = run.EachItem(out[k], field.Each);
        } catch (const KsyAbsent&) {
            out[k] = KsyValue{};
        } catch (const std::bad_alloc&) {
            root_ = nullptr;
            OutOfMemory();
        }
    }
}
