// SPDX-License-Identifier: GPL-3.0-or-later
// Every folder of tests/decode through the command line's function: the
// outputs byte for byte as the folder expects them.

#include "cli/decodecommand.h"
#include "decodecase.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

class DecodeCaseTest : public testing::TestWithParam<DecodeCase> { };

TEST_P(DecodeCaseTest, GivesTheExpectedOutputs)
{
    const DecodeCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> args = c.Args;
    args.push_back("-q");
    for (const auto& [output, expected] : c.Expected) {
        args.push_back("--" + output);
        args.push_back(dir.File(output));
    }
    StringSink out;
    StringSink err;
    ASSERT_EQ(RunDecodeCommand(args, out, err, "."), ExitOk) << err.Text;
    EXPECT_EQ(err.Text, "");
    for (const auto& [output, expected] : c.Expected)
        EXPECT_TRUE(ReadFileBytes(dir.File(output)) == ReadFileBytes(expected))
            << output << " differs from " << expected;
}

INSTANTIATE_TEST_SUITE_P(Folders, DecodeCaseTest, testing::ValuesIn(DecodeCases(NORVANE_DECODE_CASES)),
    [](const testing::TestParamInfo<DecodeCase>& info) {
        std::string name = info.param.Name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

} // namespace
