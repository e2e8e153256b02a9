// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturereaders.h"

#include "describe/describedsatellite.h"
#include "detect.h"

ReadResult ReadCaptureFile(CaptureKind kind, Module1& m, ReaderHost& host, const std::string& path)
{
    return CaptureKindOf(kind).Read(m, host, path);
}

void BeginDataSet(Module1& m)
{
    for (const auto count : KindCounts)
        m.*count = 0;
    m.Table.Clear();
    m.DescribedRecords.Clear();
    m.DescribedPending.Clear();
    m.Imports.clear();
    m.Merged = false;
}

std::vector<ReadResult> ReadSelection(
    std::optional<CaptureKind> kind, Module1& m, ReaderHost& host, const std::vector<std::string>& paths)
{
    return ReadSelection(std::vector<std::optional<CaptureKind>>(paths.size(), kind), m, host, paths);
}

std::vector<ReadResult> ReadSelection(const std::vector<std::optional<CaptureKind>>& kinds, Module1& m,
    ReaderHost& host, const std::vector<std::string>& paths)
{
    std::vector<ReadResult> failures;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        m.CurrentFileName = path;
        host.BeginFile(path, i, paths.size());
        host.ProcessPendingEvents();
        if (host.CancelRequested())
            break;
        m.Import = ImportSummary{};
        m.Import.File = path;
        if (m.Described)
            m.Import.Described = m.Described->Id();
        std::optional<CaptureKind> fileKind = i < kinds.size() ? kinds[i] : std::nullopt;
        ReadResult result;
        if (!fileKind) {
            const Detection detected = DetectCaptureFile(path);
            fileKind = detected.Kind;
            if (!fileKind)
                result = ReadResult::Failure(detected.Unreadable
                        ? detected.Reason
                        : "cannot read " + path + ": not a capture of a known kind (" + detected.Reason + ")");
        }
        if (fileKind) {
            m.Import.Kind = CaptureKindOf(*fileKind).Name;
            m.Import.Unit = CaptureKindOf(*fileKind).Unit;
            result = ReadCaptureFile(*fileKind, m, host, path);
        }
        if (!result.Ok)
            m.Import.Error = result.Message;
        m.Imports.push_back(m.Import);
        if (!result.Ok)
            failures.push_back(std::move(result));
        if (m.Imports.back().Cancelled)
            break;
    }
    return failures;
}
