// SPDX-License-Identifier: GPL-3.0-or-later
// Sound recordings of passes, read with libsndfile in blocks.
#include "capturereaders.h"
#include "dispatch.h"
#include "kissframes.h"

#include "soundreception.h"

#include "modem/modems.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>

namespace {

constexpr sf_count_t BlockFrames = 8192;

// When the recording began: the user's start, else the time in a SatNOGS
// observation's name (satnogs_OBSID_YYYY-MM-DDTHH-MM-SS), else the file's
// time less the recording's length, which is then only an estimate.
Instant RecordingStart(const std::string& path, double seconds, const SoundOptions& options, std::string& how)
{
    if (options.Start) {
        how = "start given";
        return *options.Start;
    }
    static const std::regex SatnogsName(R"(satnogs_\d+_(\d{4}-\d\d-\d\d)T(\d\d)-(\d\d)-(\d\d))");
    const std::string name = std::filesystem::path(path).filename().string();
    if (std::smatch match; std::regex_search(name, match, SatnogsName))
        if (const auto at
            = ParseDateTime(match[1].str() + " " + match[2].str() + ":" + match[3].str() + ":" + match[4].str())) {
            how = "start from the SatNOGS name";
            return *at;
        }
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) {
        how = "start unknown";
        return UnknownInstant;
    }
    const auto sys = std::chrono::file_clock::to_sys(written);
    how = "start estimated from the file's time";
    return std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch()).count()
        - static_cast<Instant>(seconds * 1000);
}

// Opens the recording at path, its format in info: null, with why, when
// libsndfile reads no sound there or the sound is of no use (no channels,
// too low a rate, not the channel asked).
SNDFILE* OpenSound(const std::string& path, const SoundOptions& options, SF_INFO& info, std::string& why)
{
    SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info);
    if (!sound) {
        why = "not a sound recording of a kind libsndfile reads (" + std::string(sf_strerror(nullptr)) + ")";
        return nullptr;
    }
    if (info.channels < 1 || info.channels > MaxSoundChannels)
        why = "a recording of " + std::to_string(info.channels) + " channels";
    else if (info.samplerate < MinSoundRate || info.samplerate > MaxSoundRate)
        why = "a sample rate of " + std::to_string(info.samplerate) + " Hz (the modems need "
            + std::to_string(MinSoundRate) + " Hz at least)";
    else if (options.Channel >= info.channels)
        why = "it has " + std::to_string(info.channels) + " channels, no channel "
            + std::to_string(options.Channel + 1);
    else
        return sound;
    sf_close(sound);
    return nullptr;
}

} // namespace

bool LooksLikeSound(std::string_view head)
{
    const auto startsWith = [&](std::string_view magic, std::size_t at = 0) {
        return head.size() >= at + magic.size() && head.substr(at, magic.size()) == magic;
    };
    return (startsWith("RIFF") && startsWith("WAVE", 8)) || (startsWith("RIFX") && startsWith("WAVE", 8))
        || startsWith("fLaC") || startsWith("OggS");
}

ReadResult ReadSoundFile(Module1& m, ReaderHost& host, const std::string& path)
{
    // A folder, a missing or unreadable file are told as for any capture,
    // and an empty file holds nothing.
    {
        CaptureFile file;
        if (ReadResult opened = file.Open(path, 1, CaptureFile::Ahead::DoNotRead); !opened.Ok)
            return opened;
        if (file.Size() == 0 && file.NextChunk().empty()) {
            host.RefreshAtEndOfFile();
            return {};
        }
    }
    SF_INFO info{};
    const SoundOptions options = host.Sound();
    std::string why;
    SNDFILE* sound = OpenSound(path, options, info, why);
    if (!sound)
        return ReadResult::Failure("cannot read " + path + ": " + why);
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> closer(sound, sf_close);
    // A header may promise any length: the length is only told, the
    // reading goes as far as the samples do.
    const double seconds = info.frames > 0 ? static_cast<double>(info.frames) / info.samplerate : 0;
    std::string how;
    const Instant start = RecordingStart(path, seconds, options, how);

    host.SetBusy(true);
    m.ShowTimeSpan = false;
    SoundReception reception(m, host, options, info.samplerate, start);
    std::vector<float> block(static_cast<std::size_t>(BlockFrames * info.channels));
    std::vector<float> channel(static_cast<std::size_t>(BlockFrames));
    bool cancelled = false;
    auto lastLook = std::chrono::steady_clock::now();
    for (sf_count_t n; !cancelled && (n = sf_readf_float(sound, block.data(), BlockFrames)) > 0;) {
        for (sf_count_t k = 0; k < n; ++k)
            channel[static_cast<std::size_t>(k)] = block[static_cast<std::size_t>(k * info.channels + options.Channel)];
        reception.Samples(std::span(channel.data(), static_cast<std::size_t>(n)));
        if (const auto now = std::chrono::steady_clock::now(); now - lastLook > std::chrono::milliseconds(20)) {
            lastLook = now;
            const auto read = static_cast<std::uint64_t>(reception.SamplesRead());
            host.ShowReadProgress(
                read, std::max(static_cast<std::uint64_t>(std::max<sf_count_t>(info.frames, 0)), read));
            host.ProcessPendingEvents();
            cancelled = host.CancelRequested();
        }
    }
    reception.Finish(how);
    FlushDescribed(m, host);
    m.Table.Trim();
    m.Import.Cancelled = cancelled;
    host.SetBusy(false);
    host.RefreshAtEndOfFile();
    if (sf_error(sound) != SF_ERR_NO_ERROR)
        return ReadResult::Failure("cannot read " + path + " to its end: " + sf_strerror(sound));
    return {};
}
