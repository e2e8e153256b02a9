// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsfile.h"

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

void HandleLine(std::string_view line, ProgramSettings& settings)
{
    if (line.empty() || line.front() == '#')
        return;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return;
    const std::string_view key = TrimBlanks(line.substr(0, eq));
    const std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (EqualsIgnoringCase(key, "IMAGE_PATH"))
        settings.ImagePath = std::string(value);
    else if (EqualsIgnoringCase(key, "SCREENSHOT"))
        settings.ShowScreenshotButton = EqualsIgnoringCase(value, "YES");
}

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

} // namespace

ProgramSettings ParseSettings(std::string_view text)
{
    ProgramSettings settings;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        const std::string_view line
            = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        HandleLine(line, settings);
        if (end == std::string_view::npos)
            break;
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return settings;
}

std::string PictureFolder(const ProgramSettings& settings, const std::string& programFolder)
{
    // An empty IMAGE_PATH names no folder: the program's folder stays.
    std::string folder = settings.ImagePath && !settings.ImagePath->empty() ? *settings.ImagePath : programFolder;
    if (folder.empty() || !IsSeparator(folder.back()))
        folder.push_back(PathSeparator);
    return folder;
}
