#include "tests/support/processes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/text.h"

namespace quillon::testing {

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream file(path);
    try {
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

std::vector<pid_t> processesWith(const std::vector<std::string>& words) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
        const std::string line = readWhole(entry.path() / "cmdline");
        std::vector<std::string> args;
        for (auto arg : text::split(line, std::string_view("\0", 1), true)) args.emplace_back(arg);
        const bool all = std::all_of(words.begin(), words.end(), [&](const std::string& word) {
            return std::find(args.begin(), args.end(), word) != args.end();
        });
        if (all) found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

}  // namespace quillon::testing
