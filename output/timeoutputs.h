#pragma once

#include "outputfile.h"
#include "telemetry/module1.h"

#include <cstdint>
#include <functional>

// Outputs that carry each stored packet's reception time and place, for the
// tools that organise telemetry by time: JSON Lines and InfluxDB's line
// protocol. Both write the packets in the order they were stored.

// Calls visit(kind, n) for every stored packet, in the order stored: by
// capture file in the selection, then by place in the file; once merged, by
// instant first.
void ForEachStoredPacket(const Module1& m, const std::function<void(int kind, std::int64_t n)>& visit);

// One JSON object per line and packet: record number, kind, satellite byte,
// time text (its bytes taken as Latin-1), instant ("utc", null when unknown),
// capture file and byte offset, every field's value under its caption, and
// the record view's word for the coded fields. Text is UTF-8.
void WriteJsonl(TextSink& out, const Module1& m);
// The line of record n's packet of kind.
void AppendJsonPacket(std::string& out, const Module1& m, int kind, std::int64_t n);

// One line per packet with a known instant (within InfluxDB's years 1677 to
// 2262): measurement "norvane", tags
// satellite (the chosen one) and kind, a field per value under its caption,
// the instant in nanoseconds. Returns the number of packets left out for want
// of an instant.
std::int64_t WriteInfluxLines(TextSink& out, const Module1& m);

// The shortest text that reads back as the same double ("7800", "0.1",
// "-105.9", "2.5e-05").
void AppendShortest(std::string& out, double value);
