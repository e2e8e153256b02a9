// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string_view>

// The program's texts (captions, value texts, time texts, frame dumps) hold
// one byte per character, as they are read from and written to files.
inline QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
