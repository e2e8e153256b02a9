// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "telemetry/instant.h"
#include "telemetry/telemetrytable.h"

#include <string>

// What the reading of one capture, or of a live stream, carries from frame
// to frame besides the store. The reader skeleton owns it for a file; the
// readers keep it and hand the reception on with each frame.
struct ReadingState {
    // Where and when the frame at hand was received: At is the instant of
    // the last time frame or line (or the log line's own), Offset where the
    // frame or line starts in its capture, File the capture's index in the
    // data set's imports.
    PacketInfo Reception;
    DateTimeParser TimeParser;     // reads time texts, remembering the date and minute read last
    TimeTextRenderer TimeRenderer; // writes the text of a stamp, remembering its date
    // Said before a frame's hex on the dump page where its place is no byte
    // of a capture: a sound recording's "at 12.345 s: ".
    std::string DumpNote;
};
