// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Strings of a description's frames, held in UTF-8.

// bytes in encoding (upper-case: ASCII, UTF-8, ISO-8859-1, UTF-16LE, ...)
// as UTF-8. ASCII takes every byte as the character of that number; bytes
// that are no character of the encoding become U+FFFD.
std::string KsyDecodeText(std::span<const std::uint8_t> bytes, const std::string& encoding);

// The length of a string as Kaitai counts it (UTF-16 code units), a string
// reversed, and the part from one character to before another.
std::size_t KsyTextLength(std::string_view utf8);
std::string KsyReverseText(std::string_view utf8);
std::string KsySubstring(std::string_view utf8, std::int64_t from, std::int64_t to);
