#pragma once
// This machine's processes as /proc shows them, for tests that check what was left running.

#include <sys/types.h>

#include <string>
#include <vector>

namespace quillon::testing {

// Processes whose command line holds every one of these words as a whole argument.
std::vector<pid_t> processesWith(const std::vector<std::string>& words);

}  // namespace quillon::testing
