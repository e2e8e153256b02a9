// SPDX-License-Identifier: GPL-3.0-or-later
#include "timetexts.h"

#include <array>
#include <cstring>

namespace {

// Ids: 0 is the empty text, 1 on texts in the arena; the ids from
// RenderedForms on stand for texts written from the packet's instant, one
// per form.
constexpr std::uint32_t RenderedForms = 0xFFFFFFF0; // + the TimeForm
std::uint32_t IdOf(TimeForm form) { return RenderedForms + static_cast<std::uint32_t>(form); }
static_assert(TimeTexts::Highest == RenderedForms + static_cast<std::uint32_t>(TimeForm::Milliseconds));

// The text of a rendered form, pieced from the full rendering.
void AppendForm(std::string& out, TimeForm form, const std::array<char, TimeTextSize>& full)
{
    const std::string_view text(full.data(), full.size());
    switch (form) {
    case TimeForm::Clock: out.append(text.substr(11)); break;
    case TimeForm::DateTime: out.append(text.substr(0, 19)); break;
    case TimeForm::DateTimeUtc: out.append(text.substr(0, 19)).append(" UTC"); break;
    default: out.append(text); break;
    }
}

} // namespace

TimeTexts::TimeTexts()
    : ends_{0}
{
}

std::uint32_t TimeTexts::NewId(std::string_view time, Instant at)
{
    if (time.empty())
        return 0;
    lastTime_.assign(time);
    lastAt_ = at;
    const TimeForm form = renderer_.FormOf(time, IsClockOnly(at) ? at - ClockOnlyBase : at);
    lastId_ = form == TimeForm::Other ? 0 : IdOf(form);
    if (lastId_ == 0 && ends_.size() < RenderedForms) { // (4 billion texts: more than any memory holds)
        chars_.append(time);
        ends_.push_back(chars_.size());
        lastId_ = static_cast<std::uint32_t>(ends_.size() - 1);
    }
    return lastId_;
}

void TimeTexts::NoteForm(std::string_view time, Instant at, TimeForm form)
{
    if (form == TimeForm::Other || time.empty())
        return;
    // (Resized and copied into: assign takes more steps, and this runs for
    // every time frame.)
    lastTime_.resize(time.size());
    std::memcpy(lastTime_.data(), time.data(), time.size());
    lastAt_ = at;
    lastId_ = IdOf(form);
}

void TimeTexts::Append(std::string& out, std::uint32_t id, Instant at) const
{
    if (id > RenderedForms && id <= Highest) {
        std::array<char, TimeTextSize> full{};
        if (RenderTimeText(IsClockOnly(at) ? at - ClockOnlyBase : at, full))
            AppendForm(out, static_cast<TimeForm>(id - RenderedForms), full);
    } else if (id != 0 && id < ends_.size()) {
        const std::size_t begin = ends_[id - 1];
        out.append(std::string_view(chars_).substr(begin, ends_[id] - begin));
    }
}

void TimeTexts::Clear()
{
    chars_.clear();
    ends_.assign(1, 0);
    lastTime_.clear();
    lastAt_ = UnknownInstant;
    lastId_ = 0;
    renderer_ = {};
}

std::size_t TimeTexts::MemoryBytes() const
{
    return chars_.capacity() + ends_.capacity() * sizeof(std::size_t) + lastTime_.capacity();
}
