// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"
#include "wiretextcache.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// JSON Lines: one JSON object per stored packet or record, in the order
// stored, with its reception time and place.

// One JSON object per line and packet: record number, kind, satellite byte,
// time text (its bytes taken as Latin-1), instant ("utc", null when unknown),
// capture file and byte offset, every field's value under its caption, and
// the record view's word for the coded fields. Text is UTF-8.
void WriteJsonl(TextSink& out, const Module1& m);
// The lines of WriteJsonl one at a time, with what repeats from packet to
// packet made once: the captures' names as JSON strings, the texts of the
// wire values met before.
class LineCursor;
class SatelliteRecords;
class RecordReader;
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

// A described satellite's records, one JSON object per line: record number,
// satellite (the description's id), time text, instant, capture file and
// offset, and the fields the record holds under their names.
void WriteDescribedJsonl(TextSink& out, const Module1& m);
class DescribedLines {
public:
    explicit DescribedLines(const Module1& m);
    ~DescribedLines();
    DescribedLines(const DescribedLines&) = delete;
    DescribedLines& operator=(const DescribedLines&) = delete;
    // Record n's line, valid until the next call.
    std::string_view Line(std::int64_t n);
    // The line appended to out.
    void Append(std::string& out, std::int64_t n);

private:
    void PutValues(LineCursor& line);

    std::unique_ptr<SatelliteRecords> satellite_;
    std::unique_ptr<RecordReader> reader_; // of its own, so that lines can be made on several threads
    FloatTextCache floats_;
    std::string name_;               // the satellite's, as a JSON string
    std::vector<std::string> keys_;  // each field's JSON key and colon
    std::vector<char> expands_;      // whether each field runs over a list's items
    std::vector<std::string> files_; // the captures' names as JSON strings
    TimeTextRenderer renderer_;
    std::string time_;           // the record's time text
    std::string value_;          // a value of no bound, written before it is put
    std::string key_;            // a list item's key
    std::size_t valuesRoom_ = 0; // the most the values of bounded size take with their keys
    std::string line_;
};
