// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capturefile.h"
#include "capturekinds.h"
#include "dataset/module1.h"
#include "readerhost.h"

#include <optional>
#include <string>
#include <vector>

// The capture readers, one for each row of the kinds' table. Each reads one file into the store of m, appending
// the chosen satellite's packets to the records, and asks the host to refresh
// the view at its end. A file that cannot be opened is reported and nothing of
// the store is changed; a read error part-way keeps what was read.

// KISS capture: FEND-framed, escaped frames; type-9 frames carry the time.
ReadResult ReadKissFile(Module1& m, ReaderHost& host, const std::string& path);
// Ground-station log: "HH:MM:SS" and blank-separated hex pairs of the
// information field on each line.
ReadResult ReadLogFile(Module1& m, ReaderHost& host, const std::string& path);
// Server log: a 19-character time, a separator and the escaped frame as
// continuous hex on each line.
ReadResult ReadServerLogFile(Module1& m, ReaderHost& host, const std::string& path);
// SatNOGS DB export: "YYYY-MM-DD HH:MM:SS|HEX" lines, read as a server log but
// with the frame's hex not escaped.
ReadResult ReadSatnogsFile(Module1& m, ReaderHost& host, const std::string& path);
// Text capture: "[" lines with the time and lines of blank-separated hex pairs.
ReadResult ReadTextFile(Module1& m, ReaderHost& host, const std::string& path);

// Sound recording (WAV, FLAC, Ogg): the frames the modem of the host's
// sound options hears, each at the recording's start plus its sample.
ReadResult ReadSoundFile(Module1& m, ReaderHost& host, const std::string& path);

ReadResult ReadCaptureFile(CaptureKind kind, Module1& m, ReaderHost& host, const std::string& path);

// Starts a new data set, as every open command does: both counters 0 and every
// record cleared (values 0, time texts empty).
void BeginDataSet(Module1& m);

// Reads the files of one selection in order into the current data set, each
// with the reader of kind, or of the kind it is detected to be when kind is
// empty. Each file becomes CurrentFileName before it is read and gets its
// import summary in m.Imports; a file that cannot be read does not stop the
// others, a cancel does. Returns the failures, in order.
std::vector<ReadResult> ReadSelection(
    std::optional<CaptureKind> kind, Module1& m, ReaderHost& host, const std::vector<std::string>& paths);
// The same with a kind for each file (empty: the file's own, detected).
std::vector<ReadResult> ReadSelection(const std::vector<std::optional<CaptureKind>>& kinds, Module1& m,
    ReaderHost& host, const std::vector<std::string>& paths);
