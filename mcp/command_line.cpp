#include "mcp/command_line.h"

#include <cstdio>

#include "core/l10n.h"
#include "core/version.h"

namespace quillon::mcp {

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    for (const auto& argument : arguments) {
        if (argument == "-h" || argument == "--help") return {CommandAction::help, {}};
        if (argument == "-v" || argument == "--version") return {CommandAction::version, {}};
        return {CommandAction::refuse, argument};
    }
    return {};
}

std::string usageText() {
    return L("Folosire: quillon-mcp [--help | --version]\n"
             "\n"
             "Server Model Context Protocol pe intrarea și ieșirea standard (JSON-RPC 2.0, câte un\n"
             "mesaj pe linie): dă unui agent AI o privire, doar în citire, asupra fiecărui server tmux\n"
             "al utilizatorului. Îl pornește gazda MCP; fără opțiuni servește până i se termină intrarea.\n"
             "\n"
             "Opțiuni:\n"
             "  -h, --help       afișează acest ajutor și ieși\n"
             "  -v, --version    afișează versiunea și ieși\n"
             "\n"
             "Mediu:\n"
             "  QUILLON_LANG     limba rapoartelor: ro, en sau system (implicit: limba aleasă în\n"
             "                   Quillon, altfel LANGUAGE, LC_ALL, LC_MESSAGES, LANG)\n"
             "  TMUX_TMPDIR      unde își ține tmux socket-urile (implicit /tmp; se caută tmux-<uid>)\n"
             "  PATH             unde se caută tmux și ssh\n"
             "  QUILLON_SSH      comanda ssh pentru alte mașini (implicit ssh din PATH)\n"
             "  XDG_CONFIG_HOME  unde sunt setările lui Quillon (implicit ~/.config)\n"
             "\n"
             "Fișiere:\n"
             "  $XDG_CONFIG_HOME/quillon/org.quillon.Quillon.json\n"
             "                   setările aplicației Quillon: se citesc limba și gazdele, nu se scrie nimic\n"
             "\n"
             "Jurnalul merge la ieșirea de erori, cu prefixul „[quillon-mcp] ”; nimic nu se scrie pe disc.\n",
             "Usage: quillon-mcp [--help | --version]\n"
             "\n"
             "A Model Context Protocol server on standard input and output (JSON-RPC 2.0, one message\n"
             "per line) that gives an AI agent read-only insight into every tmux server of the user.\n"
             "An MCP host starts it; without options it serves until its input ends.\n"
             "\n"
             "Options:\n"
             "  -h, --help       show this help and exit\n"
             "  -v, --version    show the version and exit\n"
             "\n"
             "Environment:\n"
             "  QUILLON_LANG     language of the reports: ro, en or system (default: the language\n"
             "                   chosen in Quillon, else LANGUAGE, LC_ALL, LC_MESSAGES, LANG)\n"
             "  TMUX_TMPDIR      where tmux keeps its sockets (default /tmp; tmux-<uid> is searched)\n"
             "  PATH             where tmux and ssh are found\n"
             "  QUILLON_SSH      the ssh command for other machines (default: ssh from PATH)\n"
             "  XDG_CONFIG_HOME  where Quillon's settings live (default ~/.config)\n"
             "\n"
             "Files:\n"
             "  $XDG_CONFIG_HOME/quillon/org.quillon.Quillon.json\n"
             "                   the Quillon app's settings: language and hosts are read, nothing is written\n"
             "\n"
             "Log lines go to standard error, prefixed \"[quillon-mcp] \"; nothing is written to disk.\n");
}

std::string versionLine() { return "quillon-mcp " + std::string(version()) + "\n"; }

int answerCommandLine(const CommandLine& line) {
    switch (line.action) {
        case CommandAction::help: std::fputs(usageText().c_str(), stdout); return 0;
        case CommandAction::version: std::fputs(versionLine().c_str(), stdout); return 0;
        case CommandAction::refuse:
            std::fputs((L("quillon-mcp: opțiune necunoscută: ", "quillon-mcp: unknown option: ") + line.offending +
                        "\n\n" + usageText())
                           .c_str(),
                       stderr);
            return 2;
        case CommandAction::serve: break;
    }
    return 0;
}

}  // namespace quillon::mcp
