#pragma once
// This machine's processes as /proc shows them, for tests that check what was left running.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quillon::testing {

// Processes whose command line holds every one of these words as a whole argument.
std::vector<pid_t> processesWith(const std::vector<std::string>& words);
// A file's whole text; empty when it cannot be read, such as the /proc file of a process that
// just ended (libstdc++ throws that failure from inside the iterator).
std::string readWhole(const std::filesystem::path& path);

}  // namespace quillon::testing
