// SPDX-License-Identifier: GPL-3.0-or-later
#include "opencommands.h"

#include <algorithm>
#include <string>

namespace {

// The any-kind command's filter: every pattern of the kinds' own filters
// (but "*.*"), in the table's order, then all files.
std::string AnyKindFilter()
{
    std::vector<std::string> patterns;
    for (const CaptureKindInfo& kind : CaptureKinds()) {
        // "Name (*.x)|*.x;*.y|...": the patterns stand after every other "|".
        std::string_view rest = kind.DialogFilter;
        for (bool patternsNext = false; !rest.empty(); patternsNext = !patternsNext) {
            const std::size_t bar = rest.find('|');
            std::string_view part = rest.substr(0, bar);
            rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
            while (patternsNext && !part.empty()) {
                const std::size_t semicolon = part.find(';');
                const std::string pattern(part.substr(0, semicolon));
                part = semicolon == std::string_view::npos ? std::string_view() : part.substr(semicolon + 1);
                if (pattern != "*.*" && std::find(patterns.begin(), patterns.end(), pattern) == patterns.end())
                    patterns.push_back(pattern);
            }
        }
    }
    std::string shown;
    std::string matched;
    for (const std::string& pattern : patterns) {
        shown += (shown.empty() ? "" : " ") + pattern;
        matched += (matched.empty() ? "" : ";") + pattern;
    }
    return "Capture Files (" + shown + ")|" + matched + "|All Files (*.*)|*.*";
}

} // namespace

const std::vector<OpenCommand>& OpenCommands()
{
    static const std::vector<OpenCommand> commands = [] {
        std::vector<const CaptureKindInfo*> kinds;
        for (const CaptureKindInfo& kind : CaptureKinds())
            if (kind.MenuPlace > 0)
                kinds.push_back(&kind);
        std::sort(kinds.begin(), kinds.end(), [](auto* a, auto* b) { return a->MenuPlace < b->MenuPlace; });
        std::vector<OpenCommand> list;
        for (const CaptureKindInfo* kind : kinds)
            list.push_back({kind->Kind, kind->CommandName, kind->CommandCaption, kind->DialogFilter});
        static const std::string anyKind = AnyKindFilter();
        list.push_back({std::nullopt, "MnuOpenAny", "Open capture file (any kind)", anyKind});
        return list;
    }();
    return commands;
}

const OpenCommand& CommandFor(std::optional<CaptureKind> kind)
{
    for (const OpenCommand& command : OpenCommands())
        if (command.Kind == kind)
            return command;
    return OpenCommands().front();
}
