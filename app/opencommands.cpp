#include "opencommands.h"

#include <algorithm>

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
        list.push_back({std::nullopt, "MnuOpenAny", "Open capture file (any kind)",
            "Capture Files (*.kss *.log *.txt)|*.kss;*.log;*.txt|All Files (*.*)|*.*"});
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
