// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

// Where a writer puts its text.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void Write(std::string_view text) = 0;
    // Hands what was written on to the operating system, where that means
    // anything (a live output that someone follows).
    virtual void Flush() { }
};

class StringSink : public TextSink {
public:
    void Write(std::string_view text) override { Text.append(text); }
    std::string Text;
};

// A file that is written whole or not at all: the text goes to a temporary file
// in the same folder, which replaces the target only once everything is on
// disk. A target that exists and is not a regular file (a device, a pipe) is
// written directly. A target that is a link replaces the file it points to,
// and a file replaced keeps its mode and, where permitted, owner and group.
class AtomicFile : public TextSink {
public:
    explicit AtomicFile(std::string target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() override; // an uncommitted file is removed, the target left alone

    bool Open();
    void Write(std::string_view text) override;
    // Drops everything written so far.
    void Truncate();
    bool Commit();

    // "<file> could not be written: <reason>" after a failure.
    const std::string& Error() const { return error_; }

private:
    void Fail(int error);
    void Discard();

    std::string target_;
    std::string written_; // target_ after following its links
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool direct_ = false;
    std::string error_;
};

// A file that grows while someone follows it (a live output): each Write is
// appended to what the file held, and Flush hands it to the system, so a run
// that is killed leaves every whole line written before.
class AppendingFile : public TextSink {
public:
    explicit AppendingFile(std::string path);
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;
    ~AppendingFile() override;

    bool Open();
    void Write(std::string_view text) override;
    void Flush() override;
    bool Close();
    // "<file> could not be written: <reason>" after a failure.
    const std::string& Error() const { return error_; }

private:
    void Fail(int error);

    std::string path_;
    std::FILE* file_ = nullptr;
    std::string error_;
};

struct WriteResult {
    bool Ok = true;
    std::string Message; // the status text: "<file> has been written" or the failure
};

// Writes the file named path through an AtomicFile with write(sink).
WriteResult WriteOutputFile(const std::string& path, const std::function<void(TextSink&)>& write);

// The name of an output beside a capture: the capture's file name (the part
// after the last path separator) cut at its first ".", then ending (".csv",
// ".tlm"); a name without "." gets the ending appended. The folder part is
// never changed.
std::string OutputFileName(std::string_view capturePath, std::string_view ending);

// The name of a window picture: imagePath, "nv_", then the capture's file name
// with its last extension replaced by ending (".bmp", ".png"). Before any
// capture was read: imagePath, "nv_" and the ending.
std::string PictureFileName(std::string_view imagePath, std::string_view capturePath, std::string_view ending);

// The file that path names after following its links (a chain of them too,
// and a link whose target does not exist yet); path itself when it is no link.
std::string FollowLinks(const std::string& path);

// Position just after the last path separator of path, 0 when it has none.
std::size_t FileNameStart(std::string_view path);
