// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// What conf.ini in the program's folder sets.
struct ProgramSettings {
    std::optional<std::string> ImagePath;     // IMAGE_PATH, as written
    std::optional<bool> ShowScreenshotButton; // SCREENSHOT: "YES" (any letter case) shows the button
};

// Lines end at CR LF, CR or LF; a line that is empty or begins with "#" is a
// comment; otherwise the key is the text before the first "=" and the value
// the text after it, both without blanks at their ends. Keys match in any
// letter case, values keep theirs; the last line of a key wins; other keys and
// lines without "=" are ignored.
ProgramSettings ParseSettings(std::string_view text);

// The folder prefix of window pictures: IMAGE_PATH when given (with the
// platform's separator added when it lacks one), else the program's folder
// with the separator.
std::string PictureFolder(const ProgramSettings& settings, const std::string& programFolder);

inline constexpr char PathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif
