#pragma once

#include <optional>
#include <string_view>

// The satellite a program is told to decode: "1" or "2", or its name QB50p1 or
// QB50p2 in any letter case. Anything else is no satellite.
std::optional<int> ParseSatellite(std::string_view text);

// "1, 2, QB50p1 or QB50p2": what ParseSatellite takes, for error messages.
inline constexpr std::string_view SatelliteChoices = "1, 2, QB50p1 or QB50p2";
