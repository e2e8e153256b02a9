// SPDX-License-Identifier: GPL-3.0-or-later
// The satellite library on the command line: satellites by id, the
// listing, the fields of a satellite, and which satellite a capture is.

#include "cli/decoderun.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>

namespace {

std::string Sample(const std::string& name) { return std::string(NORVANE_SAMPLES_DIR) + "/" + name; }

// The library is the folders given: the user's own and the system's are
// empty folders of the test.
class LibraryEnvironment {
public:
    explicit LibraryEnvironment(const std::string& folders)
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "NORVANE_SATELLITES"}) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("XDG_DATA_HOME", empty_.File("home").c_str(), 1);
        setenv("XDG_DATA_DIRS", empty_.File("system").c_str(), 1);
        setenv("NORVANE_SATELLITES", folders.c_str(), 1);
    }
    ~LibraryEnvironment()
    {
        const char* names[] = {"XDG_DATA_HOME", "XDG_DATA_DIRS", "NORVANE_SATELLITES"};
        for (std::size_t k = 0; k < saved_.size(); ++k)
            if (saved_[k])
                setenv(names[k], saved_[k]->c_str(), 1);
            else
                unsetenv(names[k]);
    }

private:
    TempDir empty_;
    std::vector<std::optional<std::string>> saved_;
};

std::string Beacon(const std::string& id)
{
    return "meta:\n  id: " + id + "\n  title: Beacon " + id
        + "\ndoc: |\n  :field count: count\nseq:\n  - id: magic\n    contents: [0x42]\n  - id: count\n    type: u1\n"
          "    doc: |\n      frame counter [n]\n      counted from the start\n";
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(Library, ListsEveryDescriptionAndWhyOneDoesNotLoad)
{
    TempDir folder;
    folder.Write("beta.ksy", Beacon("beta"));
    folder.Write("alpha.ksy", Beacon("alpha"));
    folder.Write("broken.ksy", "meta:\n  id: broken\nseq:\n  - id: v\n    type: nope\n");
    folder.Write("notes.txt", "not a description");
    std::filesystem::create_directory(folder.File("folder.ksy")); // never read as one
    const LibraryEnvironment env(folder.Path().string() + ":" + folder.File("missing"));
    const DecodeRun r = Decode({"--list-satellites"});
    EXPECT_EQ(r.code, 0);
    const std::vector<std::string> lines = Lines(r.out.Text);
    ASSERT_EQ(lines.size(), 4u) << r.out.Text;
    EXPECT_EQ(lines[0], "alpha\tBeacon alpha\t" + folder.File("alpha.ksy") + "\tloads");
    EXPECT_EQ(lines[2],
        "broken\t\t" + folder.File("broken.ksy") + "\tdoes not load: " + folder.File("broken.ksy")
            + ":5: no type named nope");
    EXPECT_TRUE(lines[3].starts_with("folder\t\t")) << lines[3];
    EXPECT_TRUE(Contains(lines[3], "is a folder")) << lines[3];
    EXPECT_TRUE(Contains(r.err.Text, "4 descriptions (2 do not load) in ")) << r.err.Text;
    EXPECT_TRUE(Contains(r.err.Text, folder.File("missing") + " (none)")) << r.err.Text;
}

TEST(Library, EverySatnogsDescriptionLoads)
{
    const std::string folder = NORVANE_SATNOGS_DESCRIPTIONS;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no SatNOGS descriptions in " << folder;
    const LibraryEnvironment env(folder);
    const DecodeRun r = Decode({"-q", "--list-satellites"});
    EXPECT_EQ(r.code, 0);
    std::size_t count = 0;
    for (const std::string& line : Lines(r.out.Text)) {
        ++count;
        EXPECT_TRUE(Contains(line, "\tloads")) << line;
    }
    EXPECT_GE(count, 100u);
}

TEST(Library, ChoosesASatelliteByIdOrFileName)
{
    TempDir folder;
    folder.Write("b.ksy", Beacon("MyBeacon"));
    const std::string capture = folder.Write("pass.csv", "2026-01-02 03:04:05|4201\n2026-01-02 03:04:15|4202\n");
    const LibraryEnvironment env(folder.Path().string());
    for (const char* name : {"mybeacon", "MYBEACON", "b"}) {
        const DecodeRun r = Decode({"-s", name, "-f", "satnogs", "--jsonl", "-", capture});
        EXPECT_EQ(r.code, 0) << name << ": " << r.err.Text;
        EXPECT_TRUE(Contains(r.out.Text, "\"satellite\":\"MyBeacon\"")) << r.out.Text;
        EXPECT_TRUE(Contains(r.err.Text, "2 records of MyBeacon")) << r.err.Text;
    }
    const DecodeRun unknown = Decode({"-s", "nosuch", capture});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(Contains(unknown.err.Text, "unknown satellite 'nosuch'")) << unknown.err.Text;
    EXPECT_TRUE(Contains(unknown.err.Text, "see --list-satellites")) << unknown.err.Text;
}

TEST(Library, AnIdFoundTwiceNamesBothFiles)
{
    TempDir one;
    TempDir two;
    one.Write("x.ksy", Beacon("twin"));
    two.Write("y.ksy", Beacon("TWIN"));
    // The same file reached through two folders is one description.
    const LibraryEnvironment same(one.Path().string() + ":" + one.Path().string());
    EXPECT_EQ(Decode({"-s", "twin", "--list-fields"}).code, 0);
    const LibraryEnvironment env(one.Path().string() + ":" + two.Path().string());
    const DecodeRun r = Decode({"-s", "twin", Sample("qb50p1-pass.kss")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(Contains(r.err.Text, "is described twice: in " + one.File("x.ksy") + " and in " + two.File("y.ksy")))
        << r.err.Text;
}

TEST(Library, ListsTheFieldsOfASatellite)
{
    TempDir folder;
    const std::string ksy = folder.Write("b.ksy", Beacon("beacon"));
    const DecodeRun described = Decode({"-s", ksy, "--list-fields"});
    EXPECT_EQ(described.code, 0);
    // Name, unit, the doc's first line, the path.
    EXPECT_EQ(described.out.Text, "count\tn\tframe counter [n]\tcount\n");
    const DecodeRun builtIn = Decode({"--list-fields"});
    EXPECT_EQ(builtIn.code, 0);
    const std::vector<std::string> lines = Lines(builtIn.out.Text);
    EXPECT_GT(lines.size(), 90u);
    EXPECT_TRUE(Contains(builtIn.out.Text, "Sat Uptime\t")) << builtIn.out.Text;
    EXPECT_TRUE(lines.back().ends_with("\tpacket kind 2")) << lines.back();
}

TEST(Library, IdentifiesTheSatelliteOfACapture)
{
    TempDir folder;
    folder.Write("beacon.ksy", Beacon("beacon"));
    folder.Write("qb50.ksy", ReadFileBytes(Sample("qb50.ksy")));
    const LibraryEnvironment env(folder.Path().string());
    const DecodeRun r = Decode({"--identify", Sample("qb50p1-pass.kss")});
    EXPECT_EQ(r.code, 0) << r.err.Text;
    const std::vector<std::string> lines = Lines(r.out.Text);
    ASSERT_EQ(lines.size(), 3u) << r.out.Text;
    // The description of the beacon fills more values than the built-in
    // decoder's packets of either satellite, both of which the pass holds;
    // like the built-in decoder, it does not read the foreign station's frame.
    EXPECT_TRUE(lines[0].starts_with("qb50: 98 of 99 frames read, ")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("QB50p1: 90 of 99 frames read, 100% of their fields filled (built in)"))
        << lines[1];
    EXPECT_TRUE(lines[2].starts_with("QB50p2: 4 of 99 frames read")) << lines[2];
    const std::string other = folder.Write("other.csv", "2026-01-02 03:04:05|4201\n");
    const DecodeRun beacon = Decode({"--identify", "-f", "satnogs", other});
    EXPECT_TRUE(beacon.out.Text.starts_with("beacon: 1 of 1 frame read, 100% of their fields filled (Beacon beacon, "))
        << beacon.out.Text;
    const DecodeRun none
        = Decode({"--identify", "-f", "satnogs", folder.Write("none.csv", "2026-01-02 03:04:05|99\n")});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(Contains(none.err.Text, "no satellite reads any of the 1 frames (2 descriptions in ")) << none.err.Text;
}

TEST(Library, TasksRefuseWhatTheyDoNotTake)
{
    struct Case {
        std::vector<std::string> Args;
        const char* Message;
    };
    const Case cases[] = {
        {{"--identify"}, "--identify needs capture files"},
        {{"--identify", "-"}, "--identify reads capture files, not standard input"},
        {{"--list-satellites", "a.kss"}, "--list-satellites and --list-fields read no captures"},
        {{"--list-fields", "--csv", "out.csv"}, "write to standard output, without outputs"},
        {{"--identify", "--kiss-tcp", "localhost:8001"}, "write to standard output, without outputs or --kiss-tcp"},
    };
    for (const Case& c : cases) {
        const DecodeRun r = Decode(c.Args);
        EXPECT_EQ(r.code, 2) << c.Message;
        EXPECT_TRUE(Contains(r.err.Text, c.Message)) << r.err.Text;
    }
}
