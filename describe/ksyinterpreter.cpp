// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyinterpreter.h"

#include "ksyrun.h"

KsyInterpreter::KsyInterpreter(const KsyDescription& d)
    : d_(d)
    , s_(std::make_unique<KsyScratch>())
{
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

void KsyInterpreter::Field(std::size_t k, KsyValue& out)
{
    out = KsyValue{};
    if (!root_)
        return;
    try {
        s_->Depth = 0;
        s_->StackTop = static_cast<const char*>(__builtin_frame_address(0));
        const KsyField& field = d_.Fields[k];
        KsyRun run(d_, *s_);
        out = run.Chain(root_, field.Chain);
        if (field.Expands)
            out = run.EachItem(out, field.Each);
    } catch (const KsyAbsent&) {
        out = KsyValue{};
    } catch (const std::bad_alloc&) {
        root_ = nullptr;
        OutOfMemory();
    }
}
