// SPDX-License-Identifier: GPL-3.0-or-later
#include "describedsatellite.h"

#include "text/hextext.h"
#include "text/jsontext.h"

#include <charconv>
#include <cmath>

std::shared_ptr<DescribedSatellite> DescribedSatellite::Load(const std::string& path)
{
    return std::make_shared<DescribedSatellite>(std::shared_ptr<const KsyDescription>(LoadKsyDescription(path)));
}

DescribedSatellite::DescribedSatellite(std::shared_ptr<const KsyDescription> d, bool planned)
    : d_(std::move(d))
    , interpreter_(*d_)
    , plan_(planned ? KsyPlan::Make(*d_) : nullptr)
    , packer_(*d_)
    , values_(d_->Fields.size())
{
}

bool DescribedSatellite::Read(std::span<const std::uint8_t> frame, std::string* reason)
{
    if (plan_) {
        const KsyPlan::Outcome outcome = plan_->Read(frame, values_);
        if (outcome == KsyPlan::Outcome::Read)
            return true;
        if (outcome == KsyPlan::Outcome::Fails && !reason)
            return false;
    }
    try {
        interpreter_.Read(frame);
        interpreter_.Fields(values_);
        return true;
    } catch (const KsyFrameError& e) {
        if (reason)
            *reason = e.what();
        return false;
    }
}

namespace {

void AppendNumber(std::string& out, const KsyValue& v)
{
    char buffer[40];
    char* end = buffer;
    if (v.What == KsyValue::Kind::Float)
        end = std::to_chars(buffer, buffer + sizeof buffer, v.Float).ptr;
    else if (v.Unsigned64)
        end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint64_t>(v.Int)).ptr;
    else
        end = std::to_chars(buffer, buffer + sizeof buffer, v.Int).ptr;
    out.append(buffer, end);
}

// A float as people read it: an f4 as the shortest text that reads back as
// the same float, any other with at most 12 significant digits, without
// trailing zeros (62.41 for 62.410000000000004).
void AppendReadableFloat(std::string& out, const KsyValue& v)
{
    char buffer[40];
    const auto end = v.Single
        ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(v.Float)).ptr
        : std::to_chars(buffer, buffer + sizeof buffer, v.Float, std::chars_format::general, 12).ptr;
    out.append(buffer, end);
}

} // namespace

const std::string* KsyEnumName(const KsyValue& v)
{
    if (v.What != KsyValue::Kind::Int || !v.Enum)
        return nullptr;
    const auto name = v.Enum->Names.find(v.Int);
    return name == v.Enum->Names.end() ? nullptr : &name->second;
}

void AppendKsyJson(std::string& out, const KsyValue& v)
{
    switch (v.What) {
    case KsyValue::Kind::Int:
        if (const std::string* name = KsyEnumName(v))
            AppendJsonString(out, *name);
        else
            AppendNumber(out, v);
        return;
    case KsyValue::Kind::Float:
        if (std::isfinite(v.Float))
            AppendNumber(out, v);
        else
            out += "null";
        return;
    case KsyValue::Kind::Bool: out += v.Int ? "true" : "false"; return;
    case KsyValue::Kind::Str: AppendJsonString(out, v.Text()); return;
    case KsyValue::Kind::Bytes:
        out += '"';
        AppendHex(out, v.Text());
        out += '"';
        return;
    case KsyValue::Kind::Array: {
        out += '[';
        for (std::size_t k = 0; k < v.Items->size(); ++k) {
            if (k > 0)
                out += ',';
            AppendKsyJson(out, (*v.Items)[k]);
        }
        out += ']';
        return;
    }
    default: out += "null"; return;
    }
}

void AppendKsyText(std::string& out, const KsyValue& v, std::string_view decimalMark)
{
    switch (v.What) {
    case KsyValue::Kind::Int:
        if (const std::string* name = KsyEnumName(v))
            out += *name;
        else
            AppendNumber(out, v);
        return;
    case KsyValue::Kind::Float: {
        const std::size_t start = out.size();
        AppendReadableFloat(out, v);
        if (decimalMark != ".")
            if (const std::size_t point = out.find('.', start); point != std::string::npos)
                out.replace(point, 1, decimalMark);
        return;
    }
    case KsyValue::Kind::Bool: out += v.Int ? "true" : "false"; return;
    case KsyValue::Kind::Str: out += v.Text(); return;
    case KsyValue::Kind::Bytes: AppendHex(out, v.Text()); return;
    case KsyValue::Kind::Array:
        for (std::size_t k = 0; k < v.Items->size(); ++k) {
            if (k > 0)
                out += ' ';
            AppendKsyText(out, (*v.Items)[k], decimalMark);
        }
        return;
    default: return;
    }
}

void AppendKsyLabel(std::string& out, const KsyValue& v, std::string_view decimalMark)
{
    if (const std::string* name = KsyEnumName(v)) {
        out.append(*name).append(" (");
        AppendNumber(out, v);
        out += ')';
        return;
    }
    AppendKsyText(out, v, decimalMark);
}

bool IsKsyNumber(const KsyValue& v)
{
    return v.What == KsyValue::Kind::Int || v.What == KsyValue::Kind::Float || v.What == KsyValue::Kind::Bool;
}

double KsyNumber(const KsyValue& v)
{
    if (v.What == KsyValue::Kind::Float)
        return v.Float;
    return v.Unsigned64 ? static_cast<double>(static_cast<std::uint64_t>(v.Int)) : static_cast<double>(v.Int);
}
