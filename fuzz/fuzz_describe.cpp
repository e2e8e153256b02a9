// SPDX-License-Identifier: GPL-3.0-or-later
// A description and a frame from the fuzzer: whatever the description says,
// loading it ends in a description or a KsyLoadError, and reading the frame
// (and each of its first parts) in values or a KsyFrameError, within the
// interpreter's bounds; every value can be written, and packed as the store
// keeps it, it reads back as it was. Where the description has a plan, the
// interpreter alone reads the same: whether the frame reads, why not, and
// every value.
//
// Input: the description's text, two zero bytes, the frame's bytes.

#include "describe/describedsatellite.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find(std::string_view("\0\0", 2));
    const std::string text(input.substr(0, cut));
    const std::string_view frameText = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 2);
    const std::vector<std::uint8_t> frame(frameText.begin(), frameText.end());
    std::shared_ptr<DescribedSatellite> satellite;
    std::unique_ptr<DescribedSatellite> interpreted;
    try {
        std::shared_ptr<const KsyDescription> description = LoadKsyDescriptionText(text, "fuzz.ksy");
        satellite = std::make_shared<DescribedSatellite>(description);
        if (satellite->Planned())
            interpreted = std::make_unique<DescribedSatellite>(description, false);
    } catch (const KsyLoadError&) {
        return 0;
    }
    std::string reason;
    std::vector<std::uint8_t> packed;
    std::vector<KsyValue> back(satellite->FieldCount());
    std::deque<std::vector<KsyValue>> lists;
    for (std::size_t n : {frame.size(), frame.size() / 2, std::size_t{0}}) {
        const bool read = satellite->Read(std::span(frame.data(), n), reason);
        if (interpreted) {
            std::string why;
            if (interpreted->Read(std::span(frame.data(), n), why) != read || (!read && why != reason))
                __builtin_trap();
            if (satellite->Read(std::span(frame.data(), n), nullptr) != read) // no reason asked: the same
                __builtin_trap();
            satellite->Read(std::span(frame.data(), n), reason); // the values again, for what follows
            for (std::size_t k = 0; read && k < satellite->FieldCount(); ++k) {
                std::string planned;
                std::string alone;
                AppendKsyJson(planned, satellite->Value(k));
                AppendKsyJson(alone, interpreted->Value(k));
                const KsyValue& a = satellite->Value(k);
                const KsyValue& b = interpreted->Value(k);
                if (planned != alone || a.What != b.What || a.Enum != b.Enum || a.Single != b.Single
                    || a.Unsigned64 != b.Unsigned64)
                    __builtin_trap();
            }
        }
        if (!read)
            continue;
        packed.clear();
        const std::size_t shape = satellite->PackValues(packed);
        const KsyPacker& packer = satellite->Packer();
        if (packer.Unpack(packer.Shape(shape), packed.data(), back, lists) != packed.data() + packed.size())
            __builtin_trap();
        for (std::size_t k = 0; k < satellite->FieldCount(); ++k) {
            std::string read;
            std::string kept;
            AppendKsyJson(read, satellite->Value(k));
            AppendKsyText(read, satellite->Value(k));
            AppendKsyJson(kept, back[k]);
            AppendKsyText(kept, back[k]);
            if (read != kept || satellite->Value(k).What != back[k].What)
                __builtin_trap();
        }
    }
    return 0;
}
