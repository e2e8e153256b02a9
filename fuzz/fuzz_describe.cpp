// SPDX-License-Identifier: GPL-3.0-or-later
// A description and a frame from the fuzzer: whatever the description says,
// loading it ends in a description or a KsyLoadError, and reading the frame
// (and each of its first parts) in values or a KsyFrameError, within the
// interpreter's bounds; every value can be written.
//
// Input: the description's text, two zero bytes, the frame's bytes.

#include "describe/describedsatellite.h"

#include <cstdint>
#include <cstring>
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
    try {
        satellite = std::make_shared<DescribedSatellite>(LoadKsyDescriptionText(text, "fuzz.ksy"));
    } catch (const KsyLoadError&) {
        return 0;
    }
    std::string reason;
    std::string out;
    for (std::size_t n : {frame.size(), frame.size() / 2, std::size_t{0}}) {
        if (!satellite->Read(std::span(frame.data(), n), reason))
            continue;
        for (std::size_t k = 0; k < satellite->FieldCount(); ++k) {
            AppendKsyJson(out, satellite->Value(k));
            AppendKsyText(out, satellite->Value(k));
        }
    }
    return 0;
}
