// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The satellites a user can name: the descriptions (*.ksy) in the folders of
// the satellite library, each known by its meta/id.

// The value of an environment variable, or null where it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;
const char* ProcessEnvironment(const char* name);

// The library's folders, in the order they are looked in:
// $XDG_DATA_HOME/norvane/satellites (~/.local/share without it), each
// $XDG_DATA_DIRS entry's norvane/satellites (/usr/local/share and
// /usr/share without it), the folders NORVANE_SATELLITES lists (separated
// as PATH is), then extra (the folders the window was given).
std::vector<std::string> SatelliteLibraryFolders(
    const EnvironmentLookup& environment, const std::vector<std::string>& extra = {});

// A description in the library.
struct LibraryEntry {
    std::string Id; // meta/id; the file's name without .ksy where it cannot be read
    std::string Title;
    std::string File;
    // Why it cannot be used ("FILE:LINE: reason"); empty when it loads.
    std::string Problem;
    std::size_t Warnings = 0;
    std::shared_ptr<const KsyDescription> Description; // when loaded and usable
};

// The entry of one description file, loaded or with its id and title only.
LibraryEntry ReadLibraryEntry(const std::string& file, bool load);

class SatelliteLibrary {
public:
    // Reads every *.ksy file in the folders (a folder that does not exist
    // holds none; a file reached twice counts once), in the folders' order
    // and by file name within each. With load, each is loaded, so that
    // Problem says whether it can be used; without, only its id and title
    // are read. A description that cannot be read never stops the scan.
    static SatelliteLibrary Scan(const std::vector<std::string>& folders, bool load);

    const std::vector<LibraryEntry>& Entries() const { return entries_; }
    const std::vector<std::string>& Folders() const { return folders_; }

    // The description whose id is name in any letter case, else the one
    // whose file is name.ksy. Null where none has it, and null with the
    // reason where two files have it.
    const LibraryEntry* Find(std::string_view name, std::string& error) const;

private:
    std::vector<std::string> folders_;
    std::vector<LibraryEntry> entries_;
};

// How well a satellite reads a set of frames: how many it reads, and in
// those how many of its fields have a value.
struct IdentifyScore {
    std::string Id;
    std::string Title;
    std::string Where; // the description's file, or "built in"
    std::int64_t Parsed = 0;
    std::int64_t Filled = 0;   // values present
    std::int64_t Possible = 0; // fields times frames read
};

// The library's usable descriptions that read any of the frames, scored.
std::vector<IdentifyScore> ScoreDescriptions(const SatelliteLibrary& library, std::size_t frameCount,
    const std::function<std::span<const std::uint8_t>(std::size_t)>& frame);

// Best first: by the values a satellite fills in all frames (one that reads
// few frames, or few fields of those it reads, ranks low: a description of
// a satellite's own beacon fills more than one of the AX.25 header alone;
// one without fields comes last), then by frames read.
void RankScores(std::vector<IdentifyScore>& scores);

// "suchai2: 20 of 20 frames read, 96% of their fields filled (SUCHAI-2, FILE)".
std::string IdentifyLine(const IdentifyScore& score, std::int64_t frameCount);
