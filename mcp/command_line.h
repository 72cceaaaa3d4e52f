#pragma once
// quillon-mcp's own arguments. Without any it serves MCP on stdio; --help and --version
// answer and end; anything else is refused with the usage on stderr (exit status 2), so a
// host's misspelt option fails loudly instead of serving with it ignored.

#include <string>
#include <vector>

namespace quillon::mcp {

enum class CommandAction { serve, help, version, refuse };

struct CommandLine {
    CommandAction action = CommandAction::serve;
    std::string offending;  // the argument refused
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// In the language fixed at start: options, the environment read, the files read.
std::string usageText();
// "quillon-mcp 0.9.0"
std::string versionLine();
// Runs the parsed line's answer: prints to stdout or stderr and gives the exit status.
int answerCommandLine(const CommandLine& line);

}  // namespace quillon::mcp
