#include "capturereaders.h"

ReadResult ReadCaptureFile(CaptureKind kind, Module1& m, ReaderHost& host, const std::string& path)
{
    switch (kind) {
    case CaptureKind::Kiss: return ReadKissFile(m, host, path);
    case CaptureKind::Log: return ReadLogFile(m, host, path);
    case CaptureKind::ServerLog: return ReadServerLogFile(m, host, path);
    case CaptureKind::Text: return ReadTextFile(m, host, path);
    }
    return ReadResult::Failure("unknown capture kind");
}

void BeginDataSet(Module1& m)
{
    m.RecordCount = 0;
    m.Packet2Count = 0;
    m.Table.Clear();
}

std::vector<ReadResult> ReadSelection(
    CaptureKind kind, Module1& m, ReaderHost& host, const std::vector<std::string>& paths)
{
    std::vector<ReadResult> failures;
    for (const std::string& path : paths) {
        m.CurrentFileName = path;
        host.BeginFile(path);
        host.ProcessPendingEvents();
        ReadResult result = ReadCaptureFile(kind, m, host, path);
        if (!result.Ok)
            failures.push_back(std::move(result));
    }
    return failures;
}
