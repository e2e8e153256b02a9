// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decodeoptions.h"
#include "output/outputfile.h"

// The tasks of norvane-decode that tell of satellites rather than decode:
// --list-satellites, --list-fields and --identify. Each returns the exit code.
int RunLibraryTask(const DecodeOptions& o, TextSink& out, TextSink& err);
