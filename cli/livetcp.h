// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/kissstream.h"
#include "output/outputfile.h"

#include <functional>
#include <optional>
#include <string>

// Live reception for the command line: a KISS TNC's TCP server read until the
// connection is lost, the duration ends or SIGINT/SIGTERM arrives (while a
// StopSignals lives).
struct LiveOptions {
    std::string Host;
    std::string Port;
    bool Reconnect = false;                // retry every ReconnectSeconds after a failure or a close
    std::optional<double> DurationSeconds; // stop after this long
    double ReconnectSeconds = 5;
};

// Splits "HOST:PORT" ("[::1]:8001" for an IPv6 address); false when either is
// missing or the port is not a number from 1 to 65535.
bool SplitHostPort(const std::string& text, std::string& host, std::string& port);

// Reads into stream, calling afterFeed after every piece received. Notes
// (connected, dropped and why) go to notes. Returns false when the connection
// could not be made, or was lost (the peer closing it too), without
// Reconnect; why is in error.
bool RunLiveTcp(const LiveOptions& options, KissStream& stream, const std::function<void()>& afterFeed,
    const std::function<void(const std::string&)>& notes, std::string& error);
