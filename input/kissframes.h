// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "kissframecutter.h"
#include "readerhost.h"
#include "readingstate.h"

#include <cstdint>
#include <string>
#include <vector>

// The frames of a KISS stream, from a capture file or a TNC alike.

// Undoes the KISS escapes: FESC TFEND is a FEND byte, FESC TFESC a FESC byte;
// every other byte, a lone FESC included, stands for itself and is counted.
// The result lies in escaped, or in scratch when anything was undone.
KissFrameCutter::Bytes UnescapeKissFrame(
    KissFrameCutter::Bytes escaped, std::vector<std::uint8_t>& scratch, std::int64_t& badEscapes);

// The same, given where the first FESC of escaped is (nullptr for none).
KissFrameCutter::Bytes UnescapeKissFrameFrom(KissFrameCutter::Bytes escaped, const std::uint8_t* firstFesc,
    std::vector<std::uint8_t>& scratch, std::int64_t& badEscapes);

// FEND, the frame with its FEND and FESC bytes escaped, FEND.
void AppendEscapedKissFrame(std::string& out, KissFrameCutter::Bytes frame);

// One unescaped frame, as the KISS reader takes it: a time frame gives the
// time of the frames after it (in state); a data frame with a satellite's
// header is stored when its satellite byte is the chosen one, and listed on
// the dump page; the import summary counts what became of it. offset is
// where the frame starts in its capture; rereadable, that the capture holds
// it there as given, so that a host may read it again from there.
void HandleKissFrame(Module1& m, ReaderHost& host, ReadingState& state, KissFrameCutter::Bytes frame,
    std::uint64_t offset, bool rereadable = true);

// A frame's line on the dump page: two upper-case hex digits and a blank for
// every byte; SetHexText makes it in text, whose room it keeps.
std::string KissDumpLine(KissFrameCutter::Bytes frame);
void SetHexText(std::string& text, KissFrameCutter::Bytes frame);
