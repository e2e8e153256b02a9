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

Detection DetectCaptureKind(std::string_view head)
{
    head = head.substr(0, DetectionBytes);
    if (head.empty())
        return {std::nullopt, "the file is empty"};
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
        return {kinds[*best].Kind, {}};
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
    return DetectCaptureKind(head);
}
