// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capturekinds.h"

#include <optional>
#include <string>
#include <string_view>

// Which kind a capture is, told from its first bytes.
struct Detection {
    std::optional<CaptureKind> Kind;
    std::string Reason;      // why it is of no known kind
    bool Unreadable = false; // the file could not be read; Reason says why
};

// At most this much of a file is looked at.
inline constexpr std::size_t DetectionBytes = 64 * 1024;

// A kind whose head test passes; otherwise the line kind that most of the
// lines are, where they are at least half of the lines that hold anything.
// Lines of a time and a frame's hex are a SatNOGS export when any frame
// holds a byte no server log can (a raw C0, a DB that starts no escape pair,
// a lower-case digit), a server log when they hold escape pairs and nothing
// raw; with neither, a name ending in ".csv" makes them an export.
Detection DetectCaptureKind(std::string_view head, std::string_view name = {});

// What a frame's continuous hex says of the file it is in: Raw, bytes only a
// SatNOGS export holds; Escaped, KISS escape pairs (DB DC, DB DD) and nothing
// raw; None, neither.
enum class FrameHexEvidence { None, Escaped, Raw };
FrameHexEvidence FrameHexEvidenceOf(std::string_view hex);

// Reads the first DetectionBytes of path and tells its kind; a file that
// cannot be read has no kind, and the reason says why.
Detection DetectCaptureFile(const std::string& path);

// The tests of the kinds' table.
// KISS: FEND-framed, the first frame of type 0 or 9.
bool LooksLikeKissStream(std::string_view head);
// Sound: a WAV (RIFF or RIFX), FLAC or Ogg file's signature.
bool LooksLikeSound(std::string_view head);
// "[" time lines and lines of at least three blank-separated hex pairs.
bool IsTextCaptureLine(std::string_view line);
// "HH:MM:SS", a separator and blank-separated hex pairs.
bool IsLogLine(std::string_view line);
// A 19-character time, a separator and at least 30 continuous hex digits.
bool IsServerLogLine(std::string_view line);
// Server logs and SatNOGS exports have the same lines; what their frames
// hold tells them apart, and where nothing does, the file's name.
CaptureKind ServerLogOrExport(std::string_view head, std::string_view name);
