#include "satellite.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::optional<int> ParseSatellite(std::string_view text)
{
    for (const int number : {1, 2}) {
        const std::string_view names[] = {number == 1 ? "1" : "2", number == 1 ? "QB50p1" : "QB50p2"};
        for (const std::string_view name : names)
            if (SameIgnoringCase(text, name))
                return number;
    }
    return std::nullopt;
}
