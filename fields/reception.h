// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"

#include <string>

// Where and when record n's packet of kind (1 or 2) was received:
// "2016-03-17T10:15:00Z, pass.kss at byte 1234" ("time unknown, ..." without
// an instant); empty when the record has no packet of that kind.
std::string ReceptionText(const Module1& m, int kind, std::int64_t n);
