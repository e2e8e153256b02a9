// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellite.h"

#include "text/casefold.h"

#include <algorithm>

namespace {

// "a, b or c" of the texts of every row.
template <typename Text>
std::string Alternatives(Text text, std::size_t each)
{
    std::string out;
    const std::size_t count = BuiltInSatellites.size() * each;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += i + 1 == count ? " or " : ", ";
        out += text(BuiltInSatellites[i % BuiltInSatellites.size()], i / BuiltInSatellites.size());
    }
    return out;
}

} // namespace

const BuiltInSatellite& BuiltInSatelliteOf(int number)
{
    for (const BuiltInSatellite& s : BuiltInSatellites)
        if (s.Number == number)
            return s;
    return BuiltInSatellites.front();
}

std::optional<int> ParseSatellite(std::string_view text)
{
    for (const BuiltInSatellite& s : BuiltInSatellites)
        if (SameIgnoringCase(text, std::to_string(s.Number)) || SameIgnoringCase(text, s.Name))
            return s.Number;
    return std::nullopt;
}

std::string SatelliteChoices()
{
    return Alternatives([](const BuiltInSatellite& s,
                            std::size_t k) { return k == 0 ? std::to_string(s.Number) : std::string(s.Name); },
        2);
}

std::string SatelliteNumbers()
{
    std::string out;
    for (const BuiltInSatellite& s : BuiltInSatellites) {
        if (!out.empty())
            out += '|';
        out += std::to_string(s.Number);
    }
    return out;
}

std::string SatelliteNames()
{
    return Alternatives([](const BuiltInSatellite& s, std::size_t) { return std::string(s.Name); }, 1);
}

bool NamesDescriptionFile(std::string_view text)
{
#ifdef _WIN32
    const bool hasSeparator = text.find_first_of("/\\") != std::string_view::npos;
#else
    const bool hasSeparator = text.find('/') != std::string_view::npos;
#endif
    return text.ends_with(".ksy") || hasSeparator;
}
