// Whole conversations with the real program, compared line by line with golden transcripts
// (golden/*.txt, answered in English; *_ro.txt in Romanian): "> " lines are sent as they
// stand, each followed by the "< " lines it must be answered with, in order. <root> and
// <sockets> in a request stand for the test's project folder and tmux's socket directory;
// in the answers, what changes from run to run (those folders, pids, times, versions) is
// replaced by a placeholder before comparing.
// QUILLON_UPDATE_GOLDEN=1 rewrites the answers from what the program says now.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "core/text.h"
#include "core/version.h"
#include "tests/mcp/mcp_process.h"
#include "tests/mcp/tool_world.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Exchange {
    std::string request;
    std::vector<std::string> answers;
};

std::vector<Exchange> readTranscript(const fs::path& file) {
    std::ifstream in(file);
    std::vector<Exchange> exchanges;
    for (std::string line; std::getline(in, line);) {
        if (text::startsWith(line, "> ")) exchanges.push_back({line.substr(2), {}});
        else if (text::startsWith(line, "< ") && !exchanges.empty()) exchanges.back().answers.push_back(line.substr(2));
    }
    return exchanges;
}

std::string replaced(std::string in, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = in.find(from, at)) != std::string::npos; at += to.size()) in.replace(at, from.size(), to);
    return in;
}

void writeTranscript(const fs::path& file, const std::vector<Exchange>& exchanges) {
    std::ofstream out(file);
    for (const Exchange& exchange : exchanges) {
        out << "> " << exchange.request << "\n";
        for (const std::string& answer : exchange.answers) out << "< " << answer << "\n";
    }
}

// Where two answers part, with a little of each around it: whole catalogues are long.
std::string whereTheyPart(const std::string& got, const std::string& wanted) {
    std::size_t at = 0;
    while (at < got.size() && at < wanted.size() && got[at] == wanted[at]) ++at;
    const std::size_t from = at > 80 ? at - 80 : 0;
    return "at byte " + std::to_string(at) + "\n  got:    …" + got.substr(from, 240) + "\n  wanted: …" +
           wanted.substr(from, 240);
}

void expectSame(const std::vector<std::string>& got, const std::vector<std::string>& wanted, const std::string& request) {
    EXPECT_EQ(got.size(), wanted.size()) << "> " << request;
    for (std::size_t i = 0; i < std::min(got.size(), wanted.size()); ++i)
        EXPECT_TRUE(got[i] == wanted[i]) << "> " << request << "\n" << whereTheyPart(got[i], wanted[i]);
}

class GoldenTranscript : public ::testing::Test, protected ToolWorld {
protected:
    GoldenTranscript() : ToolWorld("quillon-golden") {
        // tmux names a window after what runs in it, whenever it looks; a set name stays.
        for (const char* session : {"quiet", "said", "work"})
            sandbox.tmux("alpha", {"rename-window", "-t", std::string(session) + ":0", session});
    }

    std::string expand(std::string request) const {
        request = replaced(request, "<sockets>", dir);
        return replaced(request, "<root>", root.str());
    }

    // What differs between runs, replaced by a name for it.
    std::string normalized(std::string answer) const {
        const std::string tmux = TmuxClient(TmuxSandbox::tmuxPath()).version();
        for (const auto& [from, to] : {std::pair{dir, std::string("<sockets>")},
                                       {root.str(), "<root>"},
                                       {sandbox.tmpDir(), "<tmpdir>"},
                                       {"\"version\":\"" + std::string(quillon::version()) + "\"", "\"version\":\"<version>\""},
                                       {"tmux: " + tmux + " ", "tmux: <tmux> "},
                                       {"\"tmuxVersion\":\"" + tmux + "\"", "\"tmuxVersion\":\"<tmux>\""}})
            answer = replaced(answer, from, to);
        static const std::pair<std::regex, const char*> variable[] = {
            {std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"), "<utc>"},
            {std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"), "<time>"},
            {std::regex(R"("pid":\d+)"), "\"pid\":0"},
            {std::regex(R"(pid \d+)"), "pid <pid>"},
            {std::regex(R"(\b\d+[smhd]( \d+[smh])? ago)"), "<age> ago"},
            {std::regex(R"(\bacum \d+[smhz]( \d+[smh])?)"), "acum <age>"},
            {std::regex(R"("waitedMs":\d+)"), "\"waitedMs\":0"},
        };
        for (const auto& [pattern, replacement] : variable) answer = std::regex_replace(answer, pattern, replacement);
        return answer;
    }

    // In update mode the answers to a request are whatever comes before a second of silence.
    std::vector<std::string> answersTo(McpProcess& mcp, std::size_t expected, bool updating) {
        std::vector<std::string> answers;
        while (updating || answers.size() < expected) {
            auto line = mcp.readLine(updating ? 1500ms : 30s);
            if (!line) break;
            answers.push_back(normalized(*line));
        }
        return answers;
    }

    void replay(const fs::path& file) {
        SCOPED_TRACE(file.filename().string());
        const bool updating = std::getenv("QUILLON_UPDATE_GOLDEN") != nullptr;
        std::vector<Exchange> exchanges = readTranscript(file);
        ASSERT_FALSE(exchanges.empty());
        const std::string stem = file.stem().string();
        const bool romanian = stem.size() > 3 && stem.compare(stem.size() - 3, 3, "_ro") == 0;
        McpProcess mcp({{"QUILLON_LANG", romanian ? "ro" : "en"}, {"XDG_CONFIG_HOME", config.str()}});
        for (Exchange& exchange : exchanges) {
            mcp.send(expand(exchange.request) + "\n");
            const auto answers = answersTo(mcp, exchange.answers.size(), updating);
            if (updating) exchange.answers = answers;
            else expectSame(answers, exchange.answers, exchange.request);
        }
        const auto [rest, status] = mcp.finish();
        EXPECT_EQ(rest, "") << "answers nobody asked for";
        EXPECT_EQ(status, 0);
        if (updating) writeTranscript(file, exchanges);
    }

    TempDir config{"quillon-golden-config"};
};

TEST_F(GoldenTranscript, EveryConversationAnswersAsWritten) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(QUILLON_MCP_GOLDEN_DIR))
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) replay(file);
}

}  // namespace
}  // namespace quillon::testing
