// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capturefile.h"
#include "dataset/module1.h"
#include "readerhost.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The kinds of capture the program reads. Everything that differs between the
// kinds is a column of the table below; reading, naming, detection, the
// window's open commands, the generator, tests, benchmarks and fuzz targets
// all walk it.
enum class CaptureKind { Kiss, Log, ServerLog, Text, Satnogs, Audio };

using CaptureReader = ReadResult (*)(Module1& m, ReaderHost& host, const std::string& path);

struct CaptureKindInfo {
    CaptureKind Kind;
    std::string_view Name;        // on the command line and in import summaries
    std::string_view Description; // what a file of the kind holds
    std::string_view Unit;        // what the import summary counts: "frames" or "lines"
    // Detection: a kind is told either from the whole look at a file's start
    // (HeadTest), or by the votes of its lines (LineTest); among line kinds
    // with equal votes the lower TieRank wins. Kinds of the same lines are
    // told apart by the Refine of the kind that wins, from the file's start
    // and name.
    bool (*HeadTest)(std::string_view head);
    bool (*LineTest)(std::string_view line);
    int TieRank;
    CaptureKind (*Refine)(std::string_view head, std::string_view name);
    CaptureReader Read;
    // The window's open command: its object name, caption and dialog filter
    // ("Name (*.x)|*.x|..."), and its place in the "File" menu (from 1).
    std::string_view CommandName;
    std::string_view CommandCaption;
    std::string_view DialogFilter;
    int MenuPlace;
    // The dump page lists the frames of every file of a selection of the
    // kind, cleared before it is read.
    bool DumpsSelection;
};

// Every kind, in the order of CaptureKind.
std::span<const CaptureKindInfo> CaptureKinds();
const CaptureKindInfo& CaptureKindOf(CaptureKind kind);

// "kiss", "log", "serverlog", "text", "satnogs", "audio".
const char* CaptureKindName(CaptureKind kind);
std::optional<CaptureKind> CaptureKindFromName(std::string_view name);
// The names joined for messages and usage texts: "kiss, log, serverlog, text or satnogs"
// with the separators given ("kiss|log|serverlog|text|satnogs" with "|" and "|").
std::string CaptureKindNames(std::string_view separator = ", ", std::string_view lastSeparator = " or ");
