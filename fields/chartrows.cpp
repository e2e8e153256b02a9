// SPDX-License-Identifier: GPL-3.0-or-later
#include "chartrows.h"

std::int64_t ChartDivisions(std::int64_t n)
{
    if (n <= 40)
        return 0;
    const std::int64_t whole = n / 40;
    const std::int64_t rest = n % 40;
    if (rest > 20 || (rest == 20 && whole % 2 == 1))
        return whole + 1;
    return whole;
}

std::string ChartRowLabel(std::string_view time, std::int64_t i, std::int64_t n)
{
    if (time.empty())
        return std::to_string(i);
    if (time.size() >= 19 && time[10] == ' ')
        return std::string(n > 40 ? time.substr(0, 10) : time.substr(11, 8));
    return std::string(time.substr(0, 8));
}
