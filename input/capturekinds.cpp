// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturekinds.h"

#include "capturereaders.h"
#include "detect.h"

namespace {

using K = CaptureKind;

constexpr CaptureKindInfo Kinds[] = {
    {K::Kiss, "kiss", "KISS frames (FEND 0xC0, FESC escapes); type-9 frames carry the reception time", "frames",
        LooksLikeKissStream, nullptr, 0, nullptr, ReadKissFile, "MenuFileOpenKiss", "Open KISS file",
        "KISS Files (*.kss)|*.kss|Text Files (*.txt)|*.txt|All Files (*.*)|*.*", 1, true},
    {K::Log, "log", "per line: HH:MM:SS, a separator, the information field as blank-separated hex pairs", "lines",
        nullptr, IsLogLine, 1, nullptr, ReadLogFile, "MnuOpenLog", "Open Log file",
        "Log Files (*.log)|*.log|Text Files (*.txt)|*.txt|All Files (*.*)|*.*", 4, false},
    {K::ServerLog, "serverlog", "per line: a 19-character time, a separator, the frame as continuous escaped hex",
        "lines", nullptr, IsServerLogLine, 2, ServerLogOrExport, ReadServerLogFile, "MnuOpenServerLogfile",
        "Open Serverlog file", "Log Files (Text Files (*.log)|*.log|All Files (*.*)|*.*", 3, false},
    {K::Text, "text", "\"[\" lines with the time, and lines of blank-separated hex pairs", "lines", nullptr,
        IsTextCaptureLine, 0, nullptr, ReadTextFile, "MnuOpenText", "Open Text file",
        "Log Files (Text Files (*.txt)|*.txt|All Files (*.*)|*.*", 2, false},
    // Lines of the server log's shape: told apart from one by what its frames
    // hold (the server log's Refine).
    {K::Satnogs, "satnogs", "SatNOGS DB export: per line YYYY-MM-DD HH:MM:SS, a separator, the frame as hex", "lines",
        nullptr, IsServerLogLine, 3, nullptr, ReadSatnogsFile, "MnuOpenSatnogs", "Open SatNOGS DB export",
        "SatNOGS Exports (*.csv *.txt)|*.csv;*.txt|All Files (*.*)|*.*", 5, false},
    {K::Audio, "audio", "sound (WAV, FLAC, Ogg Vorbis or Opus) of a pass: frames heard by AFSK 1200 or G3RUH 9600",
        "frames", LooksLikeSound, nullptr, 0, nullptr, ReadSoundFile, "MnuOpenSound", "Open sound recording",
        "Sound Recordings (*.wav *.flac *.ogg *.opus)|*.wav;*.flac;*.ogg;*.opus|All Files (*.*)|*.*", 6, true},
};

// The table is indexed by CaptureKind.
static_assert([] {
    for (std::size_t i = 0; i < std::size(Kinds); ++i)
        if (static_cast<std::size_t>(Kinds[i].Kind) != i)
            return false;
    return true;
}());

} // namespace

std::span<const CaptureKindInfo> CaptureKinds() { return Kinds; }

const CaptureKindInfo& CaptureKindOf(CaptureKind kind) { return Kinds[static_cast<std::size_t>(kind)]; }

const char* CaptureKindName(CaptureKind kind) { return CaptureKindOf(kind).Name.data(); }

std::optional<CaptureKind> CaptureKindFromName(std::string_view name)
{
    for (const CaptureKindInfo& info : Kinds)
        if (name == info.Name)
            return info.Kind;
    return std::nullopt;
}

std::string CaptureKindNames(std::string_view separator, std::string_view lastSeparator)
{
    std::string names;
    for (std::size_t i = 0; i < std::size(Kinds); ++i) {
        if (i > 0)
            names += i + 1 == std::size(Kinds) ? lastSeparator : separator;
        names += Kinds[i].Name;
    }
    return names;
}
