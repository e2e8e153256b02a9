// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the makers of JSON lines share: the line's cursor, and the items of
// reception every line holds.
#include "jsonlines.h"
#include "wiretextcache.h"

#include <charconv>
#include <cstring>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

class SatelliteRecords;
class RecordReader;

// A line written into a buffer that grows as it needs; Room(k) makes room
// for k more bytes, which the Puts then take without a check.
class LineCursor {
    std::string& buffer_;

public:
    explicit LineCursor(std::string& buffer)
        : buffer_(buffer)
        , p(buffer.data())
    {
    }
    void Room(std::size_t k)
    {
        const auto used = static_cast<std::size_t>(p - buffer_.data());
        if (buffer_.size() - used < k) {
            buffer_.resize(2 * (used + k));
            p = buffer_.data() + used;
        }
    }
    void Put(std::string_view text)
    {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    }
    void PutInteger(std::int64_t value) { p = std::to_chars(p, p + 20, value).ptr; }
    std::string_view Text() const { return {buffer_.data(), static_cast<std::size_t>(p - buffer_.data())}; }

    char* p; // where the next byte goes
};

// The time text (its bytes taken as Latin-1), the instant, the capture (a
// JSON string) and the place in it.
void PutTimeAndPlace(LineCursor& out, TimeTextRenderer& renderer, std::string_view time, const PacketInfo& packet,
    std::string_view file);

// The captures' names as JSON strings, each made when a line first meets
// it. A name that is not UTF-8 is taken as Latin-1, so that every line is
// valid UTF-8 whatever the file system holds.
class CaptureNameTexts {
public:
    explicit CaptureNameTexts(const std::vector<ImportSummary>& imports)
        : imports_(imports)
    {
    }
    const std::string& Text(std::uint32_t file);

private:
    const std::vector<ImportSummary>& imports_; // grows during live reception
    std::vector<std::string> texts_;
};

// The built-in beacon's packets: record number, kind, satellite byte, time
// text, instant ("utc", null when unknown), capture file and byte offset,
// every field's value under its caption, and the record view's word for
// the coded fields, with what repeats from packet to packet made once: the
// captures' names as JSON strings, the texts of the wire values met before.
class JsonPacketLines final : public JsonLines {
public:
    explicit JsonPacketLines(const Module1& m);
    std::string_view Line(int kind, std::int64_t n) override;

private:
    // The steps of a line: where and when the packet came, its values, its
    // words.
    void PutReception(LineCursor& out, int kind, std::int64_t n, const PacketInfo& packet, const std::string& file);
    void PutValues(LineCursor& out, int kind, std::span<const std::uint8_t> bytes);
    void PutWords(LineCursor& out, int kind, std::span<const std::uint8_t> bytes);

    const Module1& m_;
    CaptureNameTexts files_;
    WireTextCache values_; // shortest texts
    WireTextCache words_;  // the record view's words as JSON strings
    TimeTextRenderer renderer_;
    std::string time_;
    std::string line_;
    std::size_t valuesRoom_ = 0; // the most the values with their keys take
};

// A described satellite's records (all of kind 1): record number, satellite
// (the description's id), time text, instant, capture file and offset, and
// the fields the record holds under their names, as kept in the store when
// the frame was read.
class DescribedLines final : public JsonLines {
public:
    explicit DescribedLines(const Module1& m);
    ~DescribedLines() override;
    std::string_view Line(int kind, std::int64_t n) override;

private:
    // The values of record n: straight from the store where its shape holds
    // only values of fixed width (numbers and booleans), else as its reader
    // unpacks them.
    void PutValues(LineCursor& line, std::int64_t n);
    void PutUnpackedValues(LineCursor& line);
    void PutPackedValues(LineCursor& line, std::int64_t n, std::span<const std::uint32_t> offsets);
    // Where each value of the records of a shape begins in their packed
    // bytes; empty where a value's width varies (texts, bytes, tagged).
    std::span<const std::uint32_t> FixedOffsets(std::int64_t n);
    void PutKey(LineCursor& line, std::string_view key);
    void PutInteger(LineCursor& line, std::string_view key, std::int64_t value, bool unsigned64);
    void PutFloat(LineCursor& line, std::size_t k, double value);
    void PutValue(LineCursor& line, std::string_view key, const KsyValue& v);

    const Module1& m_;
    std::unique_ptr<SatelliteRecords> satellite_;
    std::unique_ptr<RecordReader> reader_; // of its own, so that lines can be made on several threads
    FloatTextCache floats_;
    std::string name_;              // the satellite's, as a JSON string
    std::vector<std::string> keys_; // each field's JSON key and colon
    std::vector<char> expands_;     // whether each field runs over a list's items
    CaptureNameTexts files_;
    TimeTextRenderer renderer_;
    std::string time_;           // the record's time text
    std::string value_;          // a value of no bound, written before it is put
    std::string key_;            // a list item's key
    std::size_t valuesRoom_ = 0; // the most the values of bounded size take with their keys
    std::string line_;
    bool first_ = true;                               // no value put yet in the line
    std::vector<std::vector<std::uint32_t>> offsets_; // FixedOffsets by shape number
    std::vector<char> offsetsKnown_;
    KsyValue one_; // a value unpacked alone
    std::deque<std::vector<KsyValue>> lists_;
};
