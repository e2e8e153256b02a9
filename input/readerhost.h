#pragma once

#include <cstdint>
#include <string_view>

// What the readers need from their surroundings. The window implements it with
// its busy pointer, event loop, dump page and record counter; the command line
// and the tests implement their own. Every member has a do-nothing default.
class ReaderHost {
public:
    virtual ~ReaderHost() = default;

    // A file of the selection is about to be read.
    virtual void BeginFile(std::string_view /*path*/) { }
    virtual void SetBusy(bool /*busy*/) { }
    // Lets the window handle what is pending. The readers call it at most every
    // few tens of milliseconds.
    virtual void ProcessPendingEvents() { }
    // One line for the dump page, without its line end.
    virtual void AppendDumpLine(std::string_view /*line*/) { }
    virtual void ClearDump() { }
    // The number of the line being read, while a server log is read.
    virtual void ShowProgress(std::int64_t /*lineNumber*/) { }
    // A file has been read (or stopped by a read error): show what is stored.
    virtual void RefreshAtEndOfFile() { }
};
