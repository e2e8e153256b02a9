// SPDX-License-Identifier: GPL-3.0-or-later
#include "decodeoptions.h"

#include "livetcp.h"

#include "describe/satellitelibrary.h"
#include "telemetry/instant.h"
#include "telemetry/satellite.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <span>
#include <string_view>

namespace {

using Error = std::optional<std::string>;

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

Error SetKind(DecodeOptions& o, const std::string& text)
{
    const std::string name = Lower(text);
    o.Kind = CaptureKindFromName(name);
    if (!o.Kind && name != "auto")
        return "unknown capture kind '" + text + "' (auto, " + CaptureKindNames() + ")";
    return std::nullopt;
}

Error SetSatellite(DecodeOptions& o, const std::string& text)
{
    o.SatelliteGiven = text;
    const auto satellite = ParseSatellite(text);
    // Anything else that names a description file is a described satellite.
    if (!satellite && NamesDescriptionFile(text)) {
        o.Description = text;
        return std::nullopt;
    }
    if (satellite) {
        o.Satellite = *satellite;
        o.Description.reset();
        return std::nullopt;
    }
    // Else the id of a description in the library.
    const SatelliteLibrary library = SatelliteLibrary::Scan(SatelliteLibraryFolders(ProcessEnvironment), false);
    std::string error;
    if (const LibraryEntry* entry = library.Find(text, error)) {
        o.Description = entry->File;
        return std::nullopt;
    }
    if (!error.empty())
        return error;
    return "unknown satellite '" + text + "' (" + SatelliteChoices()
        + ", a description FILE.ksy, or the id of one in the satellite library: see --list-satellites)";
}

// --record N is the record of the TLM report; --record FILE, with
// --kiss-tcp, the capture that live reception is recorded to.
Error SetRecord(DecodeOptions& o, const std::string& text)
{
    std::int64_t n = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    const bool number = res.ec == std::errc() && res.ptr == text.data() + text.size();
    if (!number && !text.empty() && !(text[0] >= '0' && text[0] <= '9')) {
        o.Outputs[Output::Recording] = text;
        return std::nullopt;
    }
    if (!number || n < 1)
        return "--record needs a record number of 1 or more, not '" + text + "'";
    o.Record = n;
    o.RecordGiven = true;
    return std::nullopt;
}

Error SetLogDate(DecodeOptions& o, const std::string& text)
{
    const auto instant = ParseDateTime(text + " 00:00:00");
    if (text.size() != 10 || !instant)
        return "--date needs a date YYYY-MM-DD, not '" + text + "'";
    o.LogDate = *instant / 86400000;
    return std::nullopt;
}

Error SetModem(DecodeOptions& o, const std::string& v)
{
    const auto modem = ModemFromName(Lower(v));
    if (!modem)
        return "unknown modem '" + v + "' (" + ModemNames(", ") + ")";
    o.Sound.Modulation = *modem;
    return std::nullopt;
}

// text as a whole number from low to high, or none.
std::optional<int> WholeNumberIn(const std::string& text, int low, int high)
{
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < low || n > high)
        return std::nullopt;
    return n;
}

Error SetChannel(DecodeOptions& o, const std::string& v)
{
    const auto channel = WholeNumberIn(v, 1, MaxSoundChannels);
    if (!channel)
        return "--channel needs a channel from 1 to " + std::to_string(MaxSoundChannels) + ", not '" + v + "'";
    o.Sound.Channel = *channel - 1;
    return std::nullopt;
}

Error SetStart(DecodeOptions& o, const std::string& v)
{
    std::string text = v;
    if (!text.empty() && (text.back() == 'Z' || text.back() == 'z'))
        text.pop_back();
    if (text.size() > 10 && (text[10] == 'T' || text[10] == 't'))
        text[10] = ' ';
    const auto at = text.size() >= 19 ? ParseDateTime(text) : std::nullopt;
    if (!at)
        return "--start needs a time YYYY-MM-DDTHH:MM:SS, not '" + v + "'";
    o.Sound.Start = *at;
    return std::nullopt;
}

Error SetRate(DecodeOptions& o, const std::string& v)
{
    o.RawRate = WholeNumberIn(v, MinSoundRate, MaxSoundRate);
    if (!o.RawRate)
        return "--rate needs a sample rate from " + std::to_string(MinSoundRate) + " to " + std::to_string(MaxSoundRate)
            + " Hz, not '" + v + "'";
    return std::nullopt;
}

Error SetDuration(DecodeOptions& o, const std::string& v)
{
    char* end = nullptr;
    const double seconds = std::strtod(v.c_str(), &end);
    if (v.empty() || *end != '\0' || !(seconds > 0))
        return "--duration needs a number of seconds, not '" + v + "'";
    o.Duration = seconds;
    return std::nullopt;
}

struct OptionSpec {
    std::string_view Short; // "-f", or empty
    std::string_view Long;  // "--format"
    std::string_view Value; // the value's name in the help, empty for a flag
    std::string_view Help;  // lines of the help text
    std::function<Error(DecodeOptions& o, const std::string& value)> Apply;
};

// Every option, in the order of the help text: one table, a row an
// option, and so one function as long as the rows.
const std::vector<OptionSpec>& Options()
{
    static const std::string formatHelp = "kind of the captures: " + CaptureKindNames()
        + "; auto (the\ndefault) tells each file's kind from its first 64 KiB";
    // The help texts made from tables live as long as the options, which
    // only view them.
    static const std::string modemHelp
        = "sound: the modem frames were sent with, " + ModemNames(", ") + "\n(both over the same sound; the default)";
    static const std::string satelliteHelp = SatelliteChoices()
        + ", a Kaitai Struct description FILE.ksy,\nor the id of one in the satellite library; default 1";
    static const std::vector<OptionSpec> options = [] {
        std::vector<OptionSpec> all = {
            {"-f", "--format", "KIND", formatHelp, SetKind},
            {"-s", "--satellite", "SAT", satelliteHelp, SetSatellite},
        };
        // An output's option names where it goes; the recording's is also
        // the TLM report's record.
        for (const OutputFormat& format : OutputFormats()) {
            OptionSpec option{"", format.Option, format.Value, format.Help, SetRecord};
            if (!format.Recording)
                option.Apply = [kind = format.Kind](DecodeOptions& o, const std::string& v) -> Error {
                    return o.Outputs[kind] = v, std::nullopt;
                };
            all.push_back(std::move(option));
        }
        all.insert(all.end(),
            {
                {"", "--date", "DATE", "the date (YYYY-MM-DD) of log files whose names hold none", SetLogDate},
                {"", "--modem", "MODEM", modemHelp, SetModem},
                {"", "--channel", "N", "sound: the channel to read, from 1; default 1", SetChannel},
                {"", "--start", "TIME",
                    "sound: when the recording began (YYYY-MM-DDTHH:MM:SS, UTC);\nelse from a SatNOGS "
                    "name, else estimated from the file's time",
                    SetStart},
                {"", "--rate", "HZ",
                    "with -f audio and -: standard input is raw sound, signed\n16-bit little-endian mono at HZ, "
                    "heard as it comes\n(rtl_fm ... | norvane-decode -f audio --rate 48000 -)",
                    SetRate},
                {"", "--kiss-tcp", "HOST:PORT", "read live from a KISS TNC's TCP server instead of captures",
                    [](DecodeOptions& o, const std::string& v) -> Error { return o.KissTcp = v, std::nullopt; }},
                {"", "--reconnect", "", "with --kiss-tcp: try again every 5 s when the connection fails",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.Reconnect = true, std::nullopt; }},
                {"", "--duration", "SECONDS", "with --kiss-tcp: stop after that many seconds", SetDuration},
                {"", "--list-satellites", "",
                    "list the satellite library's descriptions: id, title, file\nand whether it loads",
                    [](DecodeOptions& o, const std::string&) -> Error {
                        return o.Task = DecodeTask::ListSatellites, std::nullopt;
                    }},
                {"", "--list-fields", "", "list the fields of the satellite -s chooses: name, unit,\nwhat it is",
                    [](DecodeOptions& o, const std::string&) -> Error {
                        return o.Task = DecodeTask::ListFields, std::nullopt;
                    }},
                {"", "--identify", "", "tell which satellites of the library read the captures'\nframes, best first",
                    [](DecodeOptions& o, const std::string&) -> Error {
                        return o.Task = DecodeTask::Identify, std::nullopt;
                    }},
                {"", "--merge", "", "put the packets in time order and drop duplicates",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.Merge = true, std::nullopt; }},
                {"", "--summary", "",
                    "tell on standard error what each file gave and what was\ndropped, one line per file, then the "
                    "totals",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.Summary = true, std::nullopt; }},
                {"", "--force", "", "replace (or append to) an output file that is a capture",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.Force = true, std::nullopt; }},
                {"-q", "--quiet", "", "no summary line on standard error",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.Quiet = true, std::nullopt; }},
                {"-h", "--help", "", "show this help",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.Help = true, std::nullopt; }},
                {"", "--version", "", "show the version",
                    [](DecodeOptions& o, const std::string&) -> Error { return o.ShowVersion = true, std::nullopt; }},
            });
        return all;
    }();
    return options;
}

const OptionSpec* FindOption(std::string_view name)
{
    for (const OptionSpec& option : Options())
        if (name == option.Long || (!option.Short.empty() && name == option.Short))
            return &option;
    return nullptr;
}

// What the options given say together: none that another rules out, and
// what a task needs.
std::optional<std::string> CheckTogether(const DecodeOptions& o)
{
    if (o.Help || o.ShowVersion)
        return std::nullopt;
    if (o.Task != DecodeTask::Decode) {
        if (o.KissTcp || !o.Outputs.empty())
            return "--list-satellites, --list-fields and --identify write to standard output, without outputs or "
                   "--kiss-tcp";
        if (o.Task == DecodeTask::Identify && o.Captures.empty())
            return "--identify needs capture files";
        if (o.Task != DecodeTask::Identify && !o.Captures.empty())
            return "--list-satellites and --list-fields read no captures";
        if (o.Task == DecodeTask::Identify && std::count(o.Captures.begin(), o.Captures.end(), "-") > 0)
            return "--identify reads capture files, not standard input";
        return std::nullopt;
    }
    if (o.KissTcp && !o.Captures.empty())
        return "--kiss-tcp reads live, without capture files";
    if (std::string host, port; o.KissTcp && !SplitHostPort(*o.KissTcp, host, port))
        return "--kiss-tcp needs HOST:PORT with a port from 1 to 65535, not '" + *o.KissTcp + "'";
    if (o.KissTcp && o.Kind && *o.Kind != CaptureKind::Kiss)
        return "-f " + std::string(CaptureKindName(*o.Kind)) + " goes with capture files: --kiss-tcp receives KISS";
    if (o.Captures.empty() && !o.KissTcp)
        return "no capture file given";
    if (o.RecordGiven && !o.OutputTo(Output::Tlm))
        return "--record goes with --tlm";
    if ((o.Reconnect || o.Duration) && !o.KissTcp)
        return "--reconnect and --duration go with --kiss-tcp";
    if (o.RawRate && (o.Kind != CaptureKind::Audio || o.Captures != std::vector<std::string>{"-"} || o.Merge))
        return "--rate reads raw sound from standard input: -f audio --rate HZ -, without other captures or --merge";
    if (o.OutputTo(Output::Recording) && !o.KissTcp && o.Kind != CaptureKind::Audio)
        return "--record FILE goes with --kiss-tcp or with sound recordings (-f audio)";
    if (std::count(o.Captures.begin(), o.Captures.end(), "-") > 1)
        return "standard input (-) can be read once only";
    return std::nullopt;
}

} // namespace

std::optional<std::string> ParseDecodeArguments(const std::vector<std::string>& args, DecodeOptions& o)
{
    bool onlyCaptures = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyCaptures || a == "-" || a.empty() || a[0] != '-') {
            o.Captures.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyCaptures = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> value;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        const OptionSpec* option = FindOption(name);
        if (!option)
            return "unknown option " + a;
        if (!option->Value.empty() && !value) {
            if (i + 1 >= args.size())
                return "option " + name + " needs a value";
            value = args[++i];
        }
        if (Error error = option->Apply(o, value.value_or(std::string())))
            return error;
    }
    return CheckTogether(o);
}

namespace {

std::string Synopsis(std::string_view lineBreak)
{
    return "Usage: norvane-decode [-f auto|" + CaptureKindNames("|", "|") + "] [-s " + SatelliteNumbers()
        + "|FILE.ksy|ID] [--csv FILE] [--tlm FILE [--record N]]" + std::string(lineBreak)
        + "[--dump FILE] [--jsonl FILE] [--influx FILE] [--date DATE] [--merge] [--summary] [--force] [-q]"
        + std::string(lineBreak) + "CAPTURE...\n";
}

} // namespace

std::string DecodeUsageHint() { return Synopsis(" ") + "Try 'norvane-decode --help' for more.\n"; }

std::string DecodeUsage()
{
    constexpr std::size_t HelpColumn = 24;
    std::string usage = Synopsis("\n                      ")
        + "       norvane-decode --list-satellites | [-s SAT] --list-fields | [-f KIND] --identify CAPTURE...\n"
          "\n"
          "Decodes the housekeeping telemetry of "
        + SatelliteNames()
        + " from capture files. The captures\n"
          "are read in the given order into one data set. A CAPTURE of - is standard input.\n"
          "\n";
    for (const OptionSpec& option : Options()) {
        std::string line = "  " + (option.Short.empty() ? std::string("    ") : std::string(option.Short) + ", ");
        line += option.Long;
        if (!option.Value.empty())
            line.append(" ").append(option.Value);
        std::string_view help = option.Help;
        for (bool first = true; first || !help.empty(); first = false) {
            const std::size_t eol = help.find('\n');
            line.resize(std::max(line.size() + 1, HelpColumn), ' ');
            usage += line + std::string(help.substr(0, eol)) + "\n";
            help = eol == std::string_view::npos ? std::string_view() : help.substr(eol + 1);
            line.clear();
        }
    }
    usage += "\n"
             "FILE may be - for standard output. Without any of the outputs the CSV goes to\n"
             "standard output.\n"
             "\n"
             "The satellite library is the .ksy files in $XDG_DATA_HOME/norvane/satellites\n"
             "(~/.local/share/norvane/satellites), in norvane/satellites of each folder of\n"
             "$XDG_DATA_DIRS (/usr/local/share, /usr/share) and in the folders that\n"
             "NORVANE_SATELLITES lists, separated by colons.\n";
    return usage;
}
