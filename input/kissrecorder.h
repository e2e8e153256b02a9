// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

// A KISS capture that frames received are appended to as they come: each a
// time frame with its time text, then the data frame, flushed as written,
// so that reading the capture back gives the same records. An existing
// capture is appended to; a new one is made with the first frame, so that
// a reception that never hears anything leaves no empty file.
class KissRecorder {
public:
    KissRecorder() = default;
    ~KissRecorder();
    KissRecorder(const KissRecorder&) = delete;
    KissRecorder& operator=(const KissRecorder&) = delete;

    // Records to path: false, with the reason in error, when it cannot be
    // opened or its folder takes no files.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return !path_.empty(); }
    // Appends the data frame (type byte and frame) with its time; returns
    // the data frame's offset in the capture, or fallback where it could not
    // be written.
    std::uint64_t Append(std::span<const std::uint8_t> data, std::string_view time, std::uint64_t fallback);
    // Whether what was appended can be read back from the capture.
    bool Readable() const { return file_ != nullptr && error_.empty(); }
    // A failed write, once; empty while all is well.
    const std::string& Error() const { return error_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string error_;
    std::string escaped_;
};
