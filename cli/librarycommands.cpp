// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarycommands.h"

#include "decodecommand.h"
#include "describe/describedsatellite.h"
#include "describe/satellitelibrary.h"
#include "fields/fieldcatalogue.h"
#include "input/identifycaptures.h"
#include "output/outputformats.h"
#include "telemetry/decoders.h"

#include <algorithm>
#include <filesystem>

namespace {

// Tab-separated, so that a line's parts can be cut; a tab or line end
// within a part becomes a blank.
void AppendPart(std::string& line, std::string_view part)
{
    if (!line.empty())
        line += '\t';
    for (const char c : part)
        line += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

std::string FolderList(const SatelliteLibrary& library)
{
    std::string list;
    for (const std::string& folder : library.Folders()) {
        std::error_code ec;
        list.append(list.empty() ? "" : ", ").append(folder);
        if (!std::filesystem::is_directory(folder, ec))
            list += " (none)";
    }
    return list;
}

int ListSatellites(const DecodeOptions& o, TextSink& out, TextSink& err)
{
    const SatelliteLibrary library = SatelliteLibrary::Scan(SatelliteLibraryFolders(ProcessEnvironment), true);
    std::string text;
    std::size_t refused = 0;
    for (const LibraryEntry& entry : library.Entries()) {
        std::string line;
        AppendPart(line, entry.Id);
        AppendPart(line, entry.Title);
        AppendPart(line, entry.File);
        if (!entry.Problem.empty()) {
            ++refused;
            AppendPart(line, "does not load: " + entry.Problem);
        } else if (entry.Warnings > 0) {
            AppendPart(line, "loads, " + Counted(static_cast<std::int64_t>(entry.Warnings), "warning", "warnings"));
        } else {
            AppendPart(line, "loads");
        }
        text += line + "\n";
    }
    out.Write(text);
    if (!o.Quiet || library.Entries().empty()) {
        std::string closing
            = Counted(static_cast<std::int64_t>(library.Entries().size()), "description", "descriptions");
        if (refused > 0)
            closing += " (" + std::to_string(refused) + " do not load)";
        err.Write(closing + " in " + FolderList(library) + "\n");
    }
    return ExitOk;
}

int ListFields(const DecodeOptions& o, TextSink& out, TextSink& err)
{
    std::string text;
    if (!o.Description) {
        // The built-in beacon's fields, by packet kind, as the outputs name them.
        for (const PacketKind& kind : PacketKinds)
            for (const FieldLayout& row : PacketLayout(kind.Number)) {
                std::string line;
                AppendPart(line, FieldCaption(row.Field));
                AppendPart(line, FieldUnit(row.Field));
                AppendPart(line, "packet kind " + std::to_string(kind.Number));
                text += line + "\n";
            }
        out.Write(text);
        return ExitOk;
    }
    std::shared_ptr<DescribedSatellite> satellite;
    try {
        satellite = DescribedSatellite::Load(*o.Description);
    } catch (const KsyLoadError& e) {
        err.Write("norvane-decode: the description cannot be used: " + std::string(e.what()) + "\n");
        return ExitUsage;
    }
    const KsyDescription& d = satellite->Description();
    for (const KsyField& field : d.Fields) {
        std::string line;
        AppendPart(line, field.Name);
        AppendPart(line, field.Unit);
        AppendPart(line, field.Doc);
        AppendPart(line, field.Path);
        text += line + "\n";
    }
    out.Write(text);
    for (const std::string& warning : d.Warnings)
        err.Write("norvane-decode: warning: " + warning + "\n");
    return ExitOk;
}

int Identify(const DecodeOptions& o, TextSink& out, TextSink& err)
{
    const SatelliteLibrary library = SatelliteLibrary::Scan(SatelliteLibraryFolders(ProcessEnvironment), true);
    const Identification found
        = IdentifyCaptures(std::vector<std::optional<CaptureKind>>(o.Captures.size(), o.Kind), o.Captures, library);
    for (const ReadResult& failure : found.Failures)
        err.Write("norvane-decode: " + failure.Message + "\n");
    constexpr std::size_t Shown = 5;
    std::string text;
    for (std::size_t k = 0; k < std::min(Shown, found.Ranked.size()); ++k)
        text += IdentifyLine(found.Ranked[k], found.Frames) + "\n";
    out.Write(text);
    if (found.Ranked.empty()) {
        err.Write("norvane-decode: no satellite reads any of the " + std::to_string(found.Frames) + " frames ("
            + Counted(static_cast<std::int64_t>(library.Entries().size()), "description", "descriptions") + " in "
            + FolderList(library) + ")\n");
        return ExitFailure;
    }
    return found.Failures.empty() ? ExitOk : ExitFailure;
}

} // namespace

int RunLibraryTask(const DecodeOptions& o, TextSink& out, TextSink& err)
{
    switch (o.Task) {
    case DecodeTask::ListSatellites: return ListSatellites(o, out, err);
    case DecodeTask::ListFields: return ListFields(o, out, err);
    case DecodeTask::Identify: return Identify(o, out, err);
    case DecodeTask::Decode: break;
    }
    return ExitUsage;
}
