// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/capturekinds.h"

#include <optional>
#include <string_view>
#include <vector>

// The open commands of the "File" menu, in its order: a command for each
// capture kind that has one in the kinds' table, then the one for any kind.
struct OpenCommand {
    std::optional<CaptureKind> Kind; // empty: each file's own kind
    std::string_view Name;
    std::string_view Caption;
    std::string_view Filter;
};

const std::vector<OpenCommand>& OpenCommands();

// The command that reads files of kind (empty: any kind).
const OpenCommand& CommandFor(std::optional<CaptureKind> kind);
