// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksyexpression.h"

#include <cstddef>
#include <string>
#include <string_view>

// Reads the literal at text[at], a quoted string or a number, into e (a Str,
// Int or Float; a number beyond 64 bits as the Array of its bytes, the
// highest first, as a bit field that wide holds it) and moves at past it.
// Returns why it is no literal, at pointing where that shows; empty when it
// is one.
std::string ReadKsyLiteral(std::string_view text, std::size_t& at, KsyExpr& e);
