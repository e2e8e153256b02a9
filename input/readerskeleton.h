// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capturefile.h"
#include "dataset/module1.h"
#include "dispatch.h"
#include "eventpump.h"
#include "readerhost.h"
#include "readingstate.h"

#include <string>

// What every capture reader does around its own reading: a file that cannot
// be opened is reported and nothing of the store changes; otherwise the host
// is busy while readFile(file, pump, state) reads the file into m, with a
// reading state of its own (the file being the next of m.Imports), the import
// summary notes a cancel, and the host refreshes the view at the end, also
// after a read error part-way, which keeps what was read.
template <typename ReadFile>
ReadResult ReadCaptureWith(Module1& m, ReaderHost& host, const std::string& path, ReadFile&& readFile)
{
    CaptureFile file;
    if (ReadResult opened = file.Open(path); !opened.Ok)
        return opened;
    host.SetBusy(true);
    EventPump pump(host, file);
    ReadingState state;
    state.Reception.File = static_cast<std::uint32_t>(m.Imports.size());
    readFile(file, pump, state);
    FlushDescribed(m, host); // a described satellite's last frames
    m.Table.Trim();
    m.Import.Cancelled = pump.Cancelled();
    host.SetBusy(false);
    host.RefreshAtEndOfFile();
    return file.Status();
}
