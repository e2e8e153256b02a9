// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"
#include "ksyinterpreter.h"
#include "ksypacked.h"
#include "ksyplan.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A satellite whose frames a description tells how to read: its fields are
// those the description's doc lists, in that order.
class DescribedSatellite {
public:
    // Loads the description at path. Throws KsyLoadError "FILE:LINE: reason".
    static std::shared_ptr<DescribedSatellite> Load(const std::string& path);
    // A reader reads frames with the description's plan where it has one,
    // and where planned is on; the interpreter reads the rest.
    explicit DescribedSatellite(std::shared_ptr<const KsyDescription> d, bool planned = true);
    // Another reader of the same description, for another thread.
    std::unique_ptr<DescribedSatellite> Another() const
    {
        return std::make_unique<DescribedSatellite>(d_, plan_ != nullptr);
    }
    bool Planned() const { return plan_ != nullptr; }

    const KsyDescription& Description() const { return *d_; }
    const std::string& Id() const { return d_->Id; }
    std::size_t FieldCount() const { return d_->Fields.size(); }
    const std::string& FieldName(std::size_t k) const { return d_->Fields[k].Name; }
    const std::string& FieldUnit(std::size_t k) const { return d_->Fields[k].Unit; }
    const std::string& FieldDoc(std::size_t k) const { return d_->Fields[k].Doc; }
    // Whether field k runs over a list's items: its value is then a list,
    // item i named ItemFieldName(k, i) where fields are named one by one.
    bool FieldExpands(std::size_t k) const { return d_->Fields[k].Expands; }
    std::string ItemFieldName(std::size_t k, std::size_t i) const { return KsyItemFieldName(d_->Fields[k], i); }

    // Reads frame: true when it reads and every field evaluates, the values
    // then at hand; otherwise false, with the reason where one is asked for.
    // Without it, a frame that the plan knows not to read (too short, a
    // check or contents not met) costs no more than the plan's look at it.
    bool Read(std::span<const std::uint8_t> frame, std::string* reason);
    bool Read(std::span<const std::uint8_t> frame, std::string& reason) { return Read(frame, &reason); }
    // Field k of the frame read last (Null where its path leads through
    // something the frame does not hold).
    const KsyValue& Value(std::size_t k) const { return values_[k]; }
    // Appends the fields of the frame read last to out, packed as the store
    // keeps them, and gives the number of their shape; Packer() reads them
    // back.
    std::size_t PackValues(std::vector<std::uint8_t>& out) { return packer_.Pack(values_, out); }
    const KsyPacker& Packer() const { return packer_; }

private:
    std::shared_ptr<const KsyDescription> d_;
    KsyInterpreter interpreter_;
    std::unique_ptr<KsyPlan> plan_;
    KsyPacker packer_;
    std::vector<KsyValue> values_;
};

// A field value as the outputs write it. JSON: integers exactly, floats as
// the shortest text that reads back the same, booleans, strings, byte arrays
// as lower-case hex strings, an enum value by its name as the description
// writes it (its integer where it is no member), arrays as arrays; null
// where there is none. Text: the same without quotes (empty for none).
void AppendKsyJson(std::string& out, const KsyValue& v);
// A float is written as people read it (an f4 with the digits a float has,
// any other with at most 12 significant digits); decimalMark stands for its
// point.
void AppendKsyText(std::string& out, const KsyValue& v, std::string_view decimalMark = ".");
// The text a person reads beside the field's name: an enum value as
// "name (n)", any other as AppendKsyText writes it.
void AppendKsyLabel(std::string& out, const KsyValue& v, std::string_view decimalMark = ".");
// The name of an enum value, or null where v is none or no member.
const std::string* KsyEnumName(const KsyValue& v);
// Whether a value is a number or a boolean (what a chart or a line protocol
// field takes), and that number.
bool IsKsyNumber(const KsyValue& v);
double KsyNumber(const KsyValue& v);
