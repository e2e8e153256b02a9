// SPDX-License-Identifier: GPL-3.0-or-later
// Live reception from a KISS TNC: the byte stream cut into frames whatever its
// pieces, the frames of a capture stored, a recording that reads back the same,
// and the command line against a KISS server on loopback.

#include "cli/decodecommand.h"
#include "input/capturereaders.h"
#include "input/kissstream.h"
#include "testsupport.h"
#include "tncstream.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <numeric>
#include <random>
#include <thread>

namespace {

constexpr Instant Now = 1458209700000; // 2016-03-17 10:15:00 UTC

struct Live {
    Module1 m;
    RecordingHost host;
    KissStream stream{m, host, "localhost:8001"};
};

// Feeds bytes in pieces that end at the given places.
void FeedInPieces(Live& live, const std::string& bytes, const std::vector<std::size_t>& cuts)
{
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        live.stream.Feed(std::string_view(bytes).substr(from, cut - from), Now);
        from = cut;
    }
    live.stream.Feed(std::string_view(bytes).substr(from), Now);
}

void ExpectSameRecords(const Module1& a, const Module1& b)
{
    ASSERT_EQ(a.RecordCount, b.RecordCount);
    ASSERT_EQ(a.Packet2Count, b.Packet2Count);
    for (std::int64_t n = 1; n <= a.HighestRecord(); ++n) {
        EXPECT_EQ(a.Table.Record(n).Values, b.Table.Record(n).Values) << n;
        EXPECT_EQ(a.Table.Packet1Time(n), b.Table.Packet1Time(n));
        EXPECT_EQ(a.Packet(1, n).At, b.Packet(1, n).At);
    }
}

// A KISS server on loopback that plays scripts, one per connection: each a
// list of pieces, the connection closed after the last (held open until the
// server ends, with holdOpen).
class KissServer {
public:
    explicit KissServer(std::vector<std::vector<std::string>> scripts, bool holdOpen = false)
        : scripts_(std::move(scripts))
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 4);
        thread_ = std::thread([this, holdOpen] {
            for (const auto& script : scripts_) {
                const int client = accept(listener_, nullptr, nullptr);
                if (client < 0)
                    return;
                for (const std::string& piece : script) {
                    send(client, piece.data(), piece.size(), MSG_NOSIGNAL);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                while (holdOpen && !ending_)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                close(client);
            }
        });
    }
    ~KissServer()
    {
        ending_ = true;
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::vector<std::vector<std::string>> scripts_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> ending_{false};
    std::thread thread_;
};

} // namespace

TEST(KissStream, AnyPiecesGiveTheSameFrames)
{
    const std::string bytes = TncStream();
    Live whole;
    whole.stream.Feed(bytes, Now);
    EXPECT_EQ(whole.stream.Counters().Frames, 21);
    EXPECT_EQ(whole.stream.Counters().CommandFrames, 4 + 3); // and the noise between frames, as "n" commands
    EXPECT_EQ(whole.stream.Counters().Oversized, 1);
    EXPECT_EQ(whole.m.RecordCount, 11);
    EXPECT_EQ(whole.m.Packet2Count, 10);
    EXPECT_EQ(whole.m.Table.Packet1Time(1), "2016-03-17 10:15:00.000 UTC");
    EXPECT_EQ(whole.m.Imports[0].Units, 42); // as a capture with a time frame before each

    // A byte at a time, pieces split inside escapes and between FENDs, random pieces.
    std::vector<std::size_t> everyByte(bytes.size() - 1);
    std::iota(everyByte.begin(), everyByte.end(), 1);
    std::vector<std::size_t> atEscapes;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        if (bytes[i - 1] == '\xDB' || bytes[i - 1] == '\xC0')
            atEscapes.push_back(i);
    std::mt19937 random(3);
    std::vector<std::size_t> randomCuts;
    for (std::size_t at = 0; (at += 1 + random() % 300) < bytes.size();)
        randomCuts.push_back(at);
    for (const auto& cuts : {everyByte, atEscapes, randomCuts}) {
        Live pieces;
        FeedInPieces(pieces, bytes, cuts);
        ExpectSameRecords(whole.m, pieces.m);
        EXPECT_EQ(pieces.host.dump, whole.host.dump);
        EXPECT_EQ(pieces.stream.Counters().Oversized, 1);
    }
}

TEST(KissStream, DroppedConnectionLosesTheFrameItCutAndSkipsToTheNextFend)
{
    std::string frame;
    AppendKissFrame(frame, FullFrame(1, MakeBeacon(1, 1, 0, 1)));
    Live live;
    live.stream.Feed(frame.substr(0, 40), Now);
    live.stream.Disconnected();
    EXPECT_EQ(live.stream.Counters().Incomplete, 1);
    EXPECT_EQ(live.m.RecordCount, 0);
    live.stream.Connected();
    // The rest of the old frame arrives first on the new connection: skipped.
    live.stream.Feed(frame.substr(40, 50), Now);
    live.stream.Feed(frame, Now);
    EXPECT_EQ(live.m.RecordCount, 1);
    EXPECT_EQ(live.stream.Counters().Frames, 1);
    live.stream.Disconnected();
    EXPECT_EQ(live.stream.Counters().Incomplete, 1); // the frame was whole
}

TEST(KissStream, TheRecordingReadsBackToTheSameRecords)
{
    TempDir dir;
    const std::string path = dir.File("live.kss");
    Module1 live;
    RecordingHost liveHost;
    {
        KissStream stream(live, liveHost, path);
        std::string error;
        ASSERT_TRUE(stream.Record(path, error)) << error;
        stream.Feed(TncStream(), Now);
        stream.Feed(TncStream(4), Now + 1500);
        EXPECT_EQ(live.Import.File, path);
    }
    Module1 back;
    RecordingHost backHost;
    ReadSelection(CaptureKind::Kiss, back, backHost, {path});
    ExpectSameRecords(live, back);
    EXPECT_EQ(backHost.dump, liveHost.dump);
    for (std::int64_t n = 1; n <= live.RecordCount; ++n)
        EXPECT_EQ(live.Packet(1, n).Offset, back.Packet(1, n).Offset);
    EXPECT_EQ(back.Imports[0].Units, live.Imports[0].Units);
    EXPECT_EQ(back.Imports[0].TimeUnits, live.Imports[0].TimeUnits);
    EXPECT_EQ(back.Table.Packet1Time(back.RecordCount), "2016-03-17 10:15:01.500 UTC");

    Live unwritable;
    std::string error;
    EXPECT_FALSE(unwritable.stream.Record(dir.File("missing/live.kss"), error));
    EXPECT_NE(error.find("could not be opened for recording"), std::string::npos);
}

TEST(KissStream, CommandLineAgainstAServerOnLoopback)
{
    const std::string bytes = TncStream();
    {
        KissServer server({{bytes.substr(0, 700), bytes.substr(700)}});
        StringSink out;
        StringSink err;
        // A TNC that goes away is a failure, though what came is kept.
        EXPECT_EQ(RunDecodeCommand({"--kiss-tcp", server.Address(), "--jsonl", "-"}, out, err, "."), ExitFailure)
            << err.Text;
        EXPECT_EQ(std::count(out.Text.begin(), out.Text.end(), '\n'), 21);
        EXPECT_NE(err.Text.find("closed by the peer"), std::string::npos) << err.Text;
        EXPECT_NE(out.Text.find("\"file\":\"" + server.Address() + "\""), std::string::npos);
    }
    {
        // A described satellite's records go out line by line as well.
        KissServer server({{bytes}});
        StringSink out;
        StringSink err;
        const std::string description = NORVANE_SAMPLES_DIR "/qb50.ksy";
        EXPECT_EQ(RunDecodeCommand(
                      {"--kiss-tcp", server.Address(), "-s", description, "--summary", "--jsonl", "-"}, out, err, "."),
            ExitFailure);
        EXPECT_EQ(std::count(out.Text.begin(), out.Text.end(), '\n'), 21) << err.Text;
        // Its summary tells the records of the description, no packet kinds.
        EXPECT_NE(err.Text.find(", stored 21 of qb50, "), std::string::npos) << err.Text;
        EXPECT_EQ(err.Text.find("kind 2"), std::string::npos) << err.Text;
        EXPECT_NE(out.Text.find("{\"record\":21,\"satellite\":\"qb50\""), std::string::npos);
    }
    {
        // Closed in the middle of a frame, then back: the client reconnects,
        // and nothing is counted twice.
        const std::size_t cut = bytes.find('\xC0', 900) + 30;
        KissServer server({{bytes.substr(0, cut)}, {bytes.substr(cut - 30)}});
        StringSink out;
        StringSink err;
        EXPECT_EQ(RunDecodeCommand(
                      {"--kiss-tcp", server.Address(), "--reconnect", "--duration", "7", "--summary", "--csv", "-"},
                      out, err, "."),
            ExitOk)
            << err.Text;
        EXPECT_NE(err.Text.find("trying again in 5 s"), std::string::npos) << err.Text;
        EXPECT_NE(err.Text.find("1 incomplete"), std::string::npos) << err.Text;
        EXPECT_NE(err.Text.find("stored 11 of kind 1 and 10 of kind 2"), std::string::npos) << err.Text;
    }
    {
        // Closed in the middle of a frame: the loss is told without --summary.
        const std::size_t cut = bytes.find('\xC0', 900) + 30;
        KissServer server({{bytes.substr(0, cut)}});
        StringSink out;
        StringSink err;
        EXPECT_EQ(RunDecodeCommand({"-q", "--kiss-tcp", server.Address(), "--csv", "-"}, out, err, "."), ExitFailure);
        EXPECT_NE(err.Text.find("1 frame was cut off by the lost connection and not stored"), std::string::npos)
            << err.Text;
    }
    // A port where nobody listens.
    const int port = [] {
        KissServer gone({});
        return std::stoi(gone.Address().substr(10));
    }();
    StringSink out;
    StringSink err;
    EXPECT_EQ(RunDecodeCommand({"-q", "--kiss-tcp", "127.0.0.1:" + std::to_string(port)}, out, err, "."), ExitFailure);
    EXPECT_NE(err.Text.find("failed: refused"), std::string::npos) << err.Text;
}

namespace {

// Standard output of a run that gets SIGTERM when it is first written to: a
// signal while the outputs are written.
class SignalledSink : public StringSink {
public:
    void Write(std::string_view text) override
    {
        if (!signalled_) {
            signalled_ = true;
            kill(getpid(), SIGTERM);
        }
        StringSink::Write(text);
    }

private:
    bool signalled_ = false;
};

std::int64_t LineCount(const std::string& path)
{
    const std::string text = ReadFileBytes(path);
    return std::count(text.begin(), text.end(), '\n');
}

} // namespace

TEST(KissStream, SignalsEndReceptionAndTheOutputsAreStillWrittenWhole)
{
    TempDir dir;
    const std::string jsonl = dir.File("live.jsonl");
    for (int run = 1; run <= 2; ++run) {
        KissServer server({{TncStream()}}, true);
        // The JSON Lines file is followed while the pass comes in; once it
        // holds this run's lines, the user stops the run.
        std::thread user([&] {
            for (int wait = 0; wait < 1000 && LineCount(jsonl) < 21 * run; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            kill(getpid(), SIGTERM);
        });
        SignalledSink out;
        StringSink err;
        const int code = RunDecodeCommand(
            {"--kiss-tcp", server.Address(), "--jsonl", jsonl, "--csv", "-", "--tlm", dir.File("live.tlm")}, out, err,
            ".");
        user.join();
        EXPECT_EQ(code, ExitOk) << err.Text;
        // Each run appends to the same file: the second finds the first's lines.
        EXPECT_EQ(LineCount(jsonl), 21 * run);
        EXPECT_EQ(std::count(out.Text.begin(), out.Text.end(), '\n'), 12); // the header and 11 records
        EXPECT_FALSE(ReadFileBytes(dir.File("live.tlm")).empty());
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}
