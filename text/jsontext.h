// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whether text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// A JSON string of text: quotes and backslashes escaped, control characters
// as \u00XX, other bytes as they are; with latin1, bytes from 0x80 are taken
// as Latin-1 characters and written in UTF-8.
void AppendJsonString(std::string& out, std::string_view text, bool latin1 = false);
// The same at out, which has room for JsonStringRoom(text.size()) bytes;
// returns its end.
char* PutJsonString(char* out, std::string_view text, bool latin1 = false);
constexpr std::size_t JsonStringRoom(std::size_t bytes) { return 6 * bytes + 2; }
