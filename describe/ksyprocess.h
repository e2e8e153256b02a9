// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The processes of the SatNOGS decoders project that descriptions name
// (process: satnogsdecoders.process.NAME or NAME(ARGUMENTS)), each doing
// what the project's function of that name does to the bytes.
struct KsySatnogsProcess {
    std::string_view Name; // "scrambler"
    int Arguments;         // integers, evaluated when a frame is read
    // Writes the processed bytes of in to out; the reason where in cannot be
    // processed (base64 that is none).
    std::optional<std::string> (*Run)(
        std::span<const std::uint8_t> in, std::span<const std::int64_t> arguments, std::string& out);
};

// The process named (without "satnogsdecoders.process."), or null.
const KsySatnogsProcess* FindSatnogsProcess(std::string_view name);

// Kaitai's own processes: xor with a key (its bytes in turn; an empty key
// leaves the bytes), and a rotation of every byte left by 0 to 7 bits.
void KsyXorBytes(std::string& bytes, std::string_view key);
void KsyRotateBytes(std::string& bytes, int left);
