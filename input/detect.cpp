// SPDX-License-Identifier: GPL-3.0-or-later
#include "detect.h"

#include "hexconv.h"

#include <cstdio>
#include <vector>

namespace {

constexpr unsigned char FEND = 0xC0;

bool IsHex(char c) { return HexDigitValue(c) >= 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

// The first frame of a KISS stream: after the first FENDs, a type byte of 0
// (a received frame) or 9 (a time frame).
bool LooksLikeKissStream(std::string_view head)
{
    std::size_t at = head.find(static_cast<char>(FEND));
    if (at == std::string_view::npos)
        return false;
    while (at < head.size() && static_cast<unsigned char>(head[at]) == FEND)
        ++at;
    if (at >= head.size())
        return false;
    const auto type = static_cast<unsigned char>(head[at]);
    return type == 0x00 || type == 0x09;
}

namespace {

// At least three pairs "XX" each followed by a blank, from character from on.
bool SpacedPairs(std::string_view line, std::size_t from)
{
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t at = from + 3 * k;
        if (at + 2 >= line.size() || !IsHex(line[at]) || !IsHex(line[at + 1]) || line[at + 2] != ' ')
            return false;
    }
    return true;
}

} // namespace

bool IsTextCaptureLine(std::string_view line) { return line[0] == '[' || (line.size() >= 12 && SpacedPairs(line, 0)); }

bool IsLogLine(std::string_view line)
{
    return line.size() >= 17 && IsDigit(line[0]) && IsDigit(line[1]) && line[2] == ':' && IsDigit(line[3])
        && IsDigit(line[4]) && line[5] == ':' && IsDigit(line[6]) && IsDigit(line[7]) && SpacedPairs(line, 9);
}

bool IsServerLogLine(std::string_view line)
{
    if (line.size() < 20 + 30 || !IsDigit(line[0]))
        return false;
    for (std::size_t i = 20; i < line.size(); ++i)
        if (!IsHex(line[i]))
            return false;
    return true;
}

FrameHexEvidence FrameHexEvidenceOf(std::string_view hex)
{
    bool escaped = false;
    for (std::size_t k = 0; k + 2 <= hex.size(); k += 2) {
        const char high = hex[k];
        const char low = hex[k + 1];
        if ((high >= 'a' && high <= 'f') || (low >= 'a' && low <= 'f') || (high == 'C' && low == '0'))
            return FrameHexEvidence::Raw;
        if (high == 'D' && low == 'B') {
            if (k + 4 > hex.size() || hex[k + 2] != 'D' || (hex[k + 3] != 'C' && hex[k + 3] != 'D'))
                return FrameHexEvidence::Raw;
            escaped = true;
            k += 2;
        }
    }
    return escaped ? FrameHexEvidence::Escaped : FrameHexEvidence::None;
}

namespace {

bool EndsWithCsv(std::string_view name)
{
    if (name.size() < 4)
        return false;
    std::string ending(name.substr(name.size() - 4));
    for (char& c : ending)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ending == ".csv";
}

// "YYYY-MM-DD HH:MM:SS" and a separator: the start of an export's line, and
// of a server log's that is whole (not a line's piece that starts with a
// digit, whose hex would be read a digit off).
bool StartsWithDateTime(std::string_view line)
{
    constexpr std::string_view Shape = "0000-00-00 00:00:00";
    for (std::size_t i = 0; i < Shape.size(); ++i)
        if (Shape[i] == '0' ? !IsDigit(line[i]) : line[i] != Shape[i])
            return false;
    return true;
}

} // namespace

// Server logs and SatNOGS exports have the same lines; what their frames
// hold tells them apart, and where nothing does, the file's name.
CaptureKind ServerLogOrExport(std::string_view head, std::string_view name)
{
    bool escaped = false;
    for (std::size_t pos = 0; pos < head.size();) {
        std::size_t eol = head.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = head.size();
        std::string_view line = head.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!IsServerLogLine(line) || !StartsWithDateTime(line))
            continue;
        const FrameHexEvidence evidence = FrameHexEvidenceOf(line.substr(20));
        if (evidence == FrameHexEvidence::Raw)
            return CaptureKind::Satnogs;
        escaped = escaped || evidence == FrameHexEvidence::Escaped;
    }
    return !escaped && EndsWithCsv(name) ? CaptureKind::Satnogs : CaptureKind::ServerLog;
}

Detection DetectCaptureKind(std::string_view head, std::string_view name)
{
    head = head.substr(0, DetectionBytes);
    if (head.empty())
        return {std::nullopt, "the file is empty"};
    // A sound file's signature says what it is, whatever bytes follow (a
    // FEND and a 0 among its samples are no KISS framing).
    if (LooksLikeSound(head))
        return {CaptureKind::Audio, {}};
    for (const CaptureKindInfo& kind : CaptureKinds())
        if (kind.HeadTest && kind.HeadTest(head))
            return {kind.Kind, {}};

    // The last line may be cut off where the look ends: leave it out unless
    // it is the only one.
    std::size_t end = head.find_last_of("\r\n");
    if (end != std::string_view::npos && end + 1 < head.size() && head.size() == DetectionBytes)
        head = head.substr(0, end + 1);

    const auto kinds = CaptureKinds();
    std::vector<int> votes(kinds.size());
    int lines = 0;
    std::size_t pos = 0;
    while (pos < head.size()) {
        std::size_t eol = head.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos)
            eol = head.size();
        const std::string_view line = head.substr(pos, eol - pos);
        pos = eol + 1;
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        ++lines;
        for (std::size_t k = 0; k < kinds.size(); ++k)
            votes[k] += kinds[k].LineTest && kinds[k].LineTest(line);
    }
    if (lines == 0)
        return {std::nullopt, "the file holds only blank lines"};
    std::optional<std::size_t> best;
    for (std::size_t k = 0; k < kinds.size(); ++k)
        if (kinds[k].LineTest
            && (!best || votes[k] > votes[*best]
                || (votes[k] == votes[*best] && kinds[k].TieRank < kinds[*best].TieRank)))
            best = k;
    if (best && 2 * votes[*best] >= lines)
        return {kinds[*best].Refine ? kinds[*best].Refine(head, name) : kinds[*best].Kind, {}};
    const int mostVotes = best ? votes[*best] : 0;
    const std::size_t fend = head.find(static_cast<char>(FEND));
    return {std::nullopt,
        fend != std::string_view::npos
            ? "its FEND bytes frame no KISS frame of type 0 or 9, and its lines are of no capture kind"
            : "no KISS framing, and " + std::to_string(lines - mostVotes) + " of its " + std::to_string(lines)
                + " lines are of no capture kind"};
}

Detection DetectCaptureFile(const std::string& path)
{
    CaptureFile file;
    if (ReadResult opened = file.Open(path, DetectionBytes, CaptureFile::Ahead::DoNotRead); !opened.Ok)
        return {std::nullopt, opened.Message, true};
    std::string head;
    for (std::string_view chunk = file.NextChunk(); !chunk.empty() && head.size() < DetectionBytes;
         chunk = file.NextChunk())
        head.append(chunk.substr(0, DetectionBytes - head.size()));
    if (!file.Status().Ok)
        return {std::nullopt, file.Status().Message, true};
    return DetectCaptureKind(head, path);
}
