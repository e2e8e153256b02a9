// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/capturefile.h"
#include "input/capturereaders.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// Content of n bytes that differ from chunk to chunk.
std::string Content(std::size_t n)
{
    std::string text(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        text[i] = static_cast<char>(i * 7 + i / 4096);
    return text;
}

// Everything a file hands out, with something done to the file after its
// first chunk.
template <typename AfterFirst>
std::string ReadAll(const std::string& path, std::size_t chunk, AfterFirst afterFirst,
    CaptureFile::Ahead ahead = CaptureFile::Ahead::Read)
{
    CaptureFile file;
    EXPECT_TRUE(file.Open(path, chunk, ahead).Ok);
    std::string read;
    bool first = true;
    for (std::string_view piece = file.NextChunk(); !piece.empty(); piece = file.NextChunk()) {
        EXPECT_LE(piece.size(), chunk);
        read.append(piece);
        if (first)
            afterFirst();
        first = false;
    }
    EXPECT_TRUE(file.Status().Ok) << file.Status().Message;
    EXPECT_EQ(file.BytesRead(), read.size());
    EXPECT_TRUE(file.NextChunk().empty()); // and stays at its end
    return read;
}

} // namespace

TEST(CaptureFile, EmptyOneByteAndManyChunksReadWhole)
{
    TempDir dir;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096},
             std::size_t{4097}, std::size_t{100000}}) {
        const std::string content = Content(size);
        const std::string path = dir.Write("capture", content);
        EXPECT_EQ(ReadAll(path, 4096, [] {}), content) << size;
        EXPECT_EQ(ReadAll(
                      path, 4096, [] {}, CaptureFile::Ahead::DoNotRead),
            content)
            << size;
    }
}

// Read ahead or not, a file that grows while it is read gives its bytes up
// to where it ended when the reading got there; one that shrinks gives what
// was read before; either way each byte as it stands in the file.
TEST(CaptureFile, AFileThatGrowsOrShrinksWhileReadGivesAPrefixOfItsBytes)
{
    TempDir dir;
    const std::string content = Content(64 * 4096);
    const std::string path = dir.Write("capture", content);
    const std::string more = Content(3 * 4096 + 5);
    const std::string grown
        = ReadAll(path, 4096, [&] { std::ofstream(path, std::ios::binary | std::ios::app) << more; });
    EXPECT_GE(grown.size(), content.size());
    EXPECT_EQ(grown, (content + more).substr(0, grown.size()));

    dir.Write("capture", content);
    const std::string shrunk = ReadAll(path, 4096, [&] { std::filesystem::resize_file(path, 3 * 4096 + 1); });
    EXPECT_GE(shrunk.size(), 4096u);
    EXPECT_EQ(shrunk, content.substr(0, shrunk.size()));
}

// Every reader takes an empty file and a file of one byte as captures that
// hold nothing, with no error; a byte is no sound recording, which its
// reader says.
TEST(CaptureFile, EveryReaderTakesAnEmptyFileAndOneByte)
{
    TempDir dir;
    for (const CaptureKind kind : AllCaptureKinds())
        for (const std::string& content : {std::string(), std::string("\xC0"), std::string("0")}) {
            Module1 m;
            RecordingHost host;
            const ReadResult result = ReadCaptureFile(kind, m, host, dir.Write("capture", content));
            // A byte is no sound file: a sound recording's reader says so.
            EXPECT_TRUE(result.Ok || (kind == CaptureKind::Audio && !content.empty())) << result.Message;
            EXPECT_EQ(m.HighestRecord(), 0);
        }
}
