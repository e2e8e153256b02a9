// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capturefile.h"
#include "capturekinds.h"
#include "describe/satellitelibrary.h"

#include <optional>
#include <string>
#include <vector>

// Which satellites read the frames of a selection of captures: the
// library's descriptions and the built-in satellites, best first.
struct Identification {
    std::int64_t Frames = 0; // read from the captures (all, or a few more than tried)
    std::int64_t Tried = 0;  // of them, the ones the satellites were tried on
    std::vector<IdentifyScore> Ranked;
    std::vector<ReadResult> Failures; // captures that could not be read
};

// Reads the frames of the captures (each with the reader of its kind, or of
// its detected kind where empty), the first maxFrames or a few more, and
// tries the satellites on the first maxFrames.
Identification IdentifyCaptures(const std::vector<std::optional<CaptureKind>>& kinds,
    const std::vector<std::string>& paths, const SatelliteLibrary& library, std::size_t maxFrames = SIZE_MAX);
