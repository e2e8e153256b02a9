// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// JSON Lines: one JSON object per stored packet or record, in the order
// stored, with its reception time and place. The built-in beacon's lines
// hold its kind, satellite byte, values under the fields' captions and the
// record view's words for the coded fields; a described satellite's hold its
// id and the values its records have under the fields' names. Text is UTF-8.
void WriteJsonl(TextSink& out, const Module1& m);

// The lines one at a time, as live reception writes them.
class JsonLines {
public:
    virtual ~JsonLines() = default;
    // The line of record n's packet of kind, valid until the next call.
    virtual std::string_view Line(int kind, std::int64_t n) = 0;
    void Append(std::string& out, int kind, std::int64_t n) { out.append(Line(kind, n)); }
};

// The lines of the satellite m holds. Each maker has a scratch of its own,
// so that lines can be made on several threads.
std::unique_ptr<JsonLines> MakeJsonLines(const Module1& m);
