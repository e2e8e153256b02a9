// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A folder of tests/decode: the arguments of norvane-decode and the outputs
// they must give.
struct DecodeCase {
    std::string Name;
    std::vector<std::string> Args;                             // paths made absolute
    std::vector<std::pair<std::string, std::string>> Expected; // output ("csv", "tlm", ...) and its file
};

inline std::vector<DecodeCase> DecodeCases(const std::filesystem::path& root)
{
    std::vector<DecodeCase> cases;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (!entry.is_directory())
            continue;
        DecodeCase c;
        c.Name = entry.path().filename().string();
        std::ifstream args(entry.path() / "args");
        for (std::string line; std::getline(args, line);)
            c.Args.push_back(line.rfind("./", 0) == 0 || line.rfind("../", 0) == 0
                    ? std::filesystem::weakly_canonical(entry.path() / line).string()
                    : line);
        // Every expected.NAME names an output: --NAME.
        for (const auto& file : std::filesystem::directory_iterator(entry.path()))
            if (const std::string name = file.path().filename().string(); name.rfind("expected.", 0) == 0)
                c.Expected.emplace_back(name.substr(9), file.path().string());
        cases.push_back(std::move(c));
    }
    return cases;
}
