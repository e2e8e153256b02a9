// SPDX-License-Identifier: GPL-3.0-or-later
// The conf.ini parser on any text. What it finds must survive a round trip:
// the settings written back as two lines parse to the same settings; a value
// never keeps blanks at its ends; the picture folder always ends with the
// platform's separator.

#include "fuzzsupport.h"
#include "input/settingsfile.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProgramSettings settings = ParseSettings(text);

    std::string written;
    if (settings.ImagePath) {
        const std::string& path = *settings.ImagePath;
        FUZZ_REQUIRE(path.empty() || (path.front() != ' ' && path.back() != ' '));
        FUZZ_REQUIRE(path.find_first_of("\r\n") == std::string::npos);
        written += "image_path = " + path + "\r\n";
    }
    if (settings.ShowScreenshotButton)
        written += *settings.ShowScreenshotButton ? "SCREENSHOT=yes\n" : "Screenshot=no\r";
    const ProgramSettings again = ParseSettings(written);
    FUZZ_REQUIRE(again.ImagePath == settings.ImagePath);
    FUZZ_REQUIRE(again.ShowScreenshotButton == settings.ShowScreenshotButton);

    const std::string folder = PictureFolder(settings, "/program");
    FUZZ_REQUIRE(!folder.empty() && folder.back() == PathSeparator);
    return 0;
}
