// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fields/fieldcatalogue.h"

#include <string>
#include <string_view>

DisplayRule DisplayRuleOf(int field);

// The text of field's value box for value, by the field's display rule: a word
// from the field's code table, "&H" and upper-case hex, a whole number, or the
// "0.00" pattern with the given decimal mark. A code outside its table shows
// the number itself.
std::string ValueText(int field, double value, std::string_view decimalMark);
