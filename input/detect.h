#pragma once

#include "capturereaders.h"

#include <optional>
#include <string>
#include <string_view>

// Which of the four kinds a capture is, told from its first bytes.
struct Detection {
    std::optional<CaptureKind> Kind;
    std::string Reason;      // why it is of no known kind
    bool Unreadable = false; // the file could not be read; Reason says why
};

// At most this much of a file is looked at.
inline constexpr std::size_t DetectionBytes = 64 * 1024;

// KISS: FEND-framed, the first frame of type 0 or 9. Otherwise lines: the kind
// that most of the lines are, where they are at least half of the lines that
// hold anything: "[" time lines and blank-separated hex lines (text),
// "HH:MM:SS" and blank-separated pairs (log), a 19-character time, a
// separator and continuous hex (server log).
Detection DetectCaptureKind(std::string_view head);

// Reads the first DetectionBytes of path and tells its kind; a file that
// cannot be read has no kind, and the reason says why.
Detection DetectCaptureFile(const std::string& path);

// "kiss", "log", "serverlog", "text".
const char* CaptureKindName(CaptureKind kind);
std::optional<CaptureKind> CaptureKindFromName(std::string_view name);
