// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellitelibrary.h"

#include "describedsatellite.h"
#include "text/casefold.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char ListSeparator = ';';
#else
constexpr char ListSeparator = ':';
#endif

std::vector<std::string> SplitList(const char* list)
{
    std::vector<std::string> parts;
    if (!list)
        return parts;
    const std::string_view text = list;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= text.size(); ++k)
        if (k == text.size() || text[k] == ListSeparator) {
            if (k > start)
                parts.emplace_back(text.substr(start, k - start));
            start = k + 1;
        }
    return parts;
}

// The id and title of a description that does not load, where its YAML
// still names them; a file that is no regular file of a description's
// size is not read at all.
void PeekIdAndTitle(LibraryEntry& entry)
{
    std::error_code ec;
    if (!fs::is_regular_file(entry.File, ec) || fs::file_size(entry.File, ec) > MaxKsyFileBytes || ec)
        return;
    try {
        const YAML::Node top = YAML::LoadFile(entry.File);
        const YAML::Node meta = top.IsMap() ? top["meta"] : YAML::Node();
        if (!meta || !meta.IsMap())
            return;
        if (meta["id"] && meta["id"].IsScalar() && !meta["id"].Scalar().empty())
            entry.Id = meta["id"].Scalar();
        if (meta["title"] && meta["title"].IsScalar())
            entry.Title = meta["title"].Scalar();
    } catch (const std::exception&) { // YAML that does not read: the file's name stands
    }
}

} // namespace

LibraryEntry ReadLibraryEntry(const std::string& file, bool load)
{
    LibraryEntry entry;
    entry.File = file;
    entry.Id = fs::path(file).stem().string();
    if (!load) {
        PeekIdAndTitle(entry);
        return entry;
    }
    try {
        std::shared_ptr<const KsyDescription> d = LoadKsyDescription(entry.File);
        entry.Id = d->Id;
        entry.Title = d->Title;
        entry.Warnings = d->Warnings.size();
        entry.Description = std::move(d);
    } catch (const KsyLoadError& e) {
        entry.Problem = e.what();
        PeekIdAndTitle(entry);
    } catch (const std::exception& e) { // whatever a description does, the rest are listed
        entry.Problem = entry.File + ": " + e.what();
    }
    return entry;
}

const char* ProcessEnvironment(const char* name) { return std::getenv(name); }

std::vector<std::string> SatelliteLibraryFolders(
    const EnvironmentLookup& environment, const std::vector<std::string>& extra)
{
    const std::string below = "/norvane/satellites";
    std::vector<std::string> folders;
    const char* dataHome = environment("XDG_DATA_HOME");
    const char* home = environment("HOME");
    if (dataHome && *dataHome)
        folders.push_back(dataHome + below);
    else if (home && *home)
        folders.push_back(std::string(home) + "/.local/share" + below);
    const char* dataDirs = environment("XDG_DATA_DIRS");
    std::vector<std::string> shared = SplitList(dataDirs);
    if (!dataDirs || !*dataDirs)
        shared = {"/usr/local/share", "/usr/share"};
    for (const std::string& folder : shared)
        folders.push_back(folder + below);
    for (const std::string& folder : SplitList(environment("NORVANE_SATELLITES")))
        folders.push_back(folder);
    folders.insert(folders.end(), extra.begin(), extra.end());
    return folders;
}

SatelliteLibrary SatelliteLibrary::Scan(const std::vector<std::string>& folders, bool load)
{
    SatelliteLibrary library;
    library.folders_ = folders;
    std::set<fs::path> seen;
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        std::vector<fs::path> inFolder;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".ksy")
                inFolder.push_back(it->path());
        std::sort(inFolder.begin(), inFolder.end());
        for (const fs::path& file : inFolder) {
            // The same file through another folder or a link is one entry.
            std::error_code canonicalError;
            const fs::path canonical = fs::weakly_canonical(file, canonicalError);
            if (seen.insert(canonicalError ? file : canonical).second)
                files.push_back(file.string());
        }
    }
    // The files on every core: loading a hundred descriptions is mostly YAML.
    library.entries_.resize(files.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t k; (k = next++) < files.size();)
            library.entries_[k] = ReadLibraryEntry(files[k], load);
    };
    const std::size_t helpers = std::min<std::size_t>(std::max(1U, std::thread::hardware_concurrency()), 8) - 1;
    std::vector<std::future<void>> running;
    for (std::size_t h = 0; h < helpers && h + 1 < files.size(); ++h)
        running.push_back(std::async(std::launch::async, work));
    work();
    for (std::future<void>& helper : running)
        helper.get();
    return library;
}

const LibraryEntry* SatelliteLibrary::Find(std::string_view name, std::string& error) const
{
    // By id, else by the file's name, which a user may know better.
    for (const bool byId : {true, false}) {
        const LibraryEntry* found = nullptr;
        for (const LibraryEntry& entry : entries_) {
            if (!SameIgnoringCase(byId ? entry.Id : fs::path(entry.File).stem().string(), name))
                continue;
            if (found) {
                error = "satellite '" + std::string(name) + "' is described twice: in " + found->File + " and in "
                    + entry.File + "; give -s the file you mean";
                return nullptr;
            }
            found = &entry;
        }
        if (found)
            return found;
    }
    return nullptr;
}

std::vector<IdentifyScore> ScoreDescriptions(const SatelliteLibrary& library, std::size_t frameCount,
    const std::function<std::span<const std::uint8_t>(std::size_t)>& frame)
{
    std::vector<IdentifyScore> scores;
    for (const LibraryEntry& entry : library.Entries()) {
        if (!entry.Description)
            continue;
        DescribedSatellite reader(entry.Description);
        IdentifyScore score{entry.Id, entry.Title, entry.File};
        for (std::size_t k = 0; k < frameCount; ++k) {
            if (!reader.Read(frame(k), nullptr))
                continue;
            ++score.Parsed;
            for (std::size_t f = 0; f < reader.FieldCount(); ++f)
                score.Filled += reader.Value(f).What != KsyValue::Kind::Null;
        }
        score.Possible = score.Parsed * static_cast<std::int64_t>(reader.FieldCount());
        if (score.Parsed > 0)
            scores.push_back(std::move(score));
    }
    return scores;
}

void RankScores(std::vector<IdentifyScore>& scores)
{
    std::stable_sort(scores.begin(), scores.end(), [](const IdentifyScore& a, const IdentifyScore& b) {
        return a.Filled != b.Filled ? a.Filled > b.Filled : a.Parsed > b.Parsed;
    });
}

std::string IdentifyLine(const IdentifyScore& score, std::int64_t frameCount)
{
    std::string line = score.Id + ": " + std::to_string(score.Parsed) + " of " + std::to_string(frameCount)
        + (frameCount == 1 ? " frame read" : " frames read");
    if (score.Possible > 0)
        line += ", " + std::to_string(score.Filled * 100 / score.Possible) + "% of their fields filled";
    else
        line += ", no fields";
    line += " (";
    if (!score.Title.empty())
        line.append(score.Title).append(", ");
    line.append(score.Where).append(")");
    return line;
}
