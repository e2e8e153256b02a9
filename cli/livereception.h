// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decodecommand.h"
#include "decodeoptions.h"
#include "dumphost.h"

#include "dataset/module1.h"
#include "input/readerhost.h"
#include "output/outputfile.h"

#include <cstdio>
#include <string>

// What a run of norvane-decode shares between its parts: how failures are
// told, the standard streams, and reception as it comes (a KISS TNC over
// TCP, raw sound on standard input).

// Failures are told on standard error as they come; any of them makes the
// exit code 1, and the rest of the work is still done.
class Reporter {
public:
    explicit Reporter(TextSink& err)
        : err_(err)
    {
    }
    void Fail(const std::string& message)
    {
        err_.Write("norvane-decode: " + message + "\n");
        exitCode_ = ExitFailure;
    }
    // Something the user should know that is no failure.
    void Warn(const std::string& message) { err_.Write("norvane-decode: warning: " + message + "\n"); }
    int ExitCode() const { return exitCode_; }

private:
    TextSink& err_;
    int exitCode_ = ExitOk;
};

// The standard streams outputs go to in place.
struct Streams {
    TextSink& Out;
    TextSink& Err;
    TextSink& Of(int stream) const { return stream == 2 ? Err : Out; }
};

// Receives from a KISS TNC over TCP until the peer closes, the duration ends
// or a signal comes; with --jsonl, each packet's line goes out as soon as it
// is stored. Returns false when the connection could not be made or was lost.
bool ReceiveLive(const DecodeOptions& o, Module1& m, ReaderHost& host, Reporter& reporter, const Streams& streams);

// Hears frames in raw sound from in (signed 16-bit little-endian mono at
// --rate) as it arrives, until it ends or a signal comes: with --jsonl, each
// packet's line goes out as soon as it is stored, and --record keeps every
// frame heard.
void ReceiveSound(
    const DecodeOptions& o, Module1& m, DumpHost& host, Reporter& reporter, const Streams& streams, std::FILE* in);
