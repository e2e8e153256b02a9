// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outputfile.h"
#include "telemetry/module1.h"
#include "wiretextcache.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

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
// The lines of WriteJsonl one at a time, with what repeats from packet to
// packet made once: the captures' names as JSON strings, the texts of the
// wire values met before.
class LineCursor;
class JsonPacketLines {
public:
    explicit JsonPacketLines(const Module1& m);
    void Append(std::string& out, int kind, std::int64_t n);
    // The line of record n's packet of kind, valid until the next call.
    std::string_view Line(int kind, std::int64_t n);

private:
    const std::string& FileText(std::uint32_t file);
    // The steps of a line: where and when the packet came, its values, its
    // words.
    void PutReception(LineCursor& out, int kind, std::int64_t n, const PacketInfo& packet, const std::string& file);
    void PutUtc(LineCursor& out, Instant at);
    void PutValues(LineCursor& out, int kind, std::span<const std::uint8_t> bytes);
    void PutWords(LineCursor& out, int kind, std::span<const std::uint8_t> bytes);

    const Module1& m_;
    std::vector<std::string> files_;
    WireTextCache values_; // shortest texts
    WireTextCache words_;  // the record view's words as JSON strings
    TimeTextRenderer renderer_;
    std::string time_;
    std::string line_;
    std::size_t valuesRoom_ = 0; // the most the values with their keys take
};

// One line per packet with a known instant (within InfluxDB's years 1677 to
// 2262): measurement "norvane", tags
// satellite (the chosen one) and kind, a field per value under its caption,
// the instant in nanoseconds. Returns the number of packets left out for want
// of an instant.
std::int64_t WriteInfluxLines(TextSink& out, const Module1& m);

// The shortest text that reads back as the same double ("7800", "0.1",
// "-105.9", "2.5e-05").
void AppendShortest(std::string& out, double value);
// The same text for a whole number below 2^53 in magnitude, written at out
// (room for 24 bytes) without going through a double; returns its end.
char* WriteShortestWhole(char* out, std::int64_t value);

// A described satellite's records, one JSON object per line: record number,
// satellite (the description's id), time text, instant, capture file and
// offset, and the fields the record holds under their names.
void WriteDescribedJsonl(TextSink& out, const Module1& m);
class DescribedLines {
public:
    explicit DescribedLines(const Module1& m);
    // Record n's line, valid until the next call.
    std::string_view Line(std::int64_t n);
    // The line appended to out.
    void Append(std::string& out, std::int64_t n);

private:
    const Module1& m_;
    std::unique_ptr<DescribedSatellite> reader_; // of its own, so that lines can be made on several threads
    std::string satellite_;                      // as a JSON string
    std::vector<std::string> keys_;              // each field's JSON key and colon
    std::vector<std::string> files_;             // the captures' names as JSON strings
    TimeTextRenderer renderer_;
    std::string line_;
};
// A described satellite's records as the line protocol: tag satellite,
// integers as integers, floats, booleans, strings (byte arrays as hex) as
// string fields. Returns the records left out for want of an instant.
std::int64_t WriteDescribedInflux(TextSink& out, const Module1& m);
