// tmux's list output (sessions with their clients, windows, panes). Lists written the way tmux
// writes them for our formats, with names that look like ids, targets or nothing at all,
// read back as exactly the sessions, windows and panes they came from. Any text: every
// record read is one of its lines, and the assembly never moves a window or pane to another
// session.

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/text.h"
#include "core/tmux_client.h"
#include "fuzz/fuzz_check.h"

namespace {

using namespace quillon;

const std::string& sep = TmuxClient::sep;
// Names tmux allows: anything but the separator and a line break, ids and targets included.
constexpr std::string_view nameAlphabet = "ab$@%:.= -_0\xc8\x99";

std::string line(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? sep : std::string()) + fields[i];
    return out + "\n";
}

struct Lists {
    std::string sessions, windows, panes;
    std::vector<TmuxSession> expected;
};

Lists writeServer(FuzzedDataProvider& input) {
    Lists lists;
    std::set<std::string> names;
    const int sessionCount = input.ConsumeIntegralInRange(0, 5);
    for (int s = 0; s < sessionCount; ++s) {
        TmuxSession session;
        session.name = fuzz::textFrom(input, nameAlphabet, 8);
        if (session.name.empty() || !names.insert(session.name).second) continue;
        session.sessionID = "$" + std::to_string(s);
        const auto created = input.ConsumeIntegralInRange<std::int64_t>(0, 4'000'000'000);
        session.created = fromEpochSeconds(static_cast<double>(created));
        const auto lastAttached = input.ConsumeIntegralInRange<std::int64_t>(0, 4'000'000'000);
        if (lastAttached > 0) session.lastAttached = fromEpochSeconds(static_cast<double>(lastAttached));
        session.isAttached = input.ConsumeBool();
        session.path = "/" + fuzz::textFrom(input, nameAlphabet, 8);
        const int windowCount = input.ConsumeIntegralInRange(0, 3);
        session.windowCount = windowCount;
        for (int w = 0; w < windowCount; ++w) {
            TmuxWindow window;
            window.index = w * 2 + input.ConsumeIntegralInRange(0, 1);
            window.name = fuzz::textFrom(input, nameAlphabet, 8);
            window.isActive = input.ConsumeBool();
            window.layout = "b25d,80x24,0,0," + std::to_string(w);
            window.windowID = "@" + std::to_string(s * 10 + w);
            window.isZoomed = input.ConsumeBool();
            window.target = session.name + ":" + std::to_string(window.index);
            const int paneCount = input.ConsumeIntegralInRange(1, 3);
            window.paneCount = paneCount;
            for (int p = 0; p < paneCount; ++p) {
                TmuxPane pane;
                pane.index = p;
                pane.isActive = p == 0;
                pane.command = fuzz::textFrom(input, nameAlphabet, 6);
                pane.pid = input.ConsumeIntegralInRange<std::int64_t>(1, 4'000'000);
                pane.width = input.ConsumeIntegralInRange<std::int64_t>(1, 500);
                pane.height = input.ConsumeIntegralInRange<std::int64_t>(1, 200);
                pane.path = "/" + fuzz::textFrom(input, nameAlphabet, 8);
                pane.paneID = "%" + std::to_string(s * 100 + w * 10 + p);
                pane.target = window.target + "." + std::to_string(p);
                lists.panes += line({session.name, std::to_string(window.index), std::to_string(p),
                                     pane.isActive ? "1" : "0", pane.command, std::to_string(pane.pid),
                                     std::to_string(pane.width), std::to_string(pane.height), pane.path, pane.paneID,
                                     session.sessionID});
                window.panes.push_back(pane);
            }
            lists.windows += line({session.name, std::to_string(window.index), window.name, window.isActive ? "1" : "0",
                                   std::to_string(paneCount), window.layout, window.windowID,
                                   window.isZoomed ? "1" : "0", session.sessionID});
            session.windows.push_back(window);
        }
        lists.sessions += line({session.name, session.sessionID, std::to_string(created), session.isAttached ? "1" : "0",
                                std::to_string(windowCount), std::to_string(lastAttached), session.path});
        lists.expected.push_back(session);
    }
    return lists;
}

void checkAnyText(const std::string& text) {
    const auto lines = text::split(text, "\n", true);
    const auto isLine = [&](const std::string& record) {
        for (auto piece : lines)
            if (text::contains(piece, record)) return true;
        return false;
    };
    const auto sessions = TmuxClient::parseSessions(text);
    const auto windows = TmuxClient::parseWindows(text);
    const auto panes = TmuxClient::parsePanes(text);
    for (const auto& session : sessions) FUZZ_CHECK(isLine(session.name + sep + session.sessionID));
    for (const auto& [key, window] : windows) FUZZ_CHECK(!key.empty() || window.target.front() == ':');
    for (const auto& [key, index, pane] : panes) FUZZ_CHECK(text::contains(pane.target, ":"));

    std::size_t windowsIn = 0, panesIn = 0;
    const auto assembled = TmuxClient::assemble(sessions, windows, panes);
    FUZZ_CHECK(assembled.size() == sessions.size());
    for (std::size_t i = 0; i < assembled.size(); ++i) {
        FUZZ_CHECK(assembled[i].name == sessions[i].name);
        for (const auto& window : assembled[i].windows) {
            ++windowsIn;
            panesIn += window.panes.size();
            // A window joins the session its record names, by id or by name.
            FUZZ_CHECK(std::any_of(windows.begin(), windows.end(), [&](const auto& w) {
                return w.second.target == window.target && w.second.windowID == window.windowID &&
                       (w.first == assembled[i].sessionID || w.first == assembled[i].name);
            }));
        }
    }
    FUZZ_CHECK(windowsIn <= windows.size() && panesIn <= panes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        const Lists lists = writeServer(input);
        const auto sessions = TmuxClient::assemble(TmuxClient::parseSessions(lists.sessions),
                                                   TmuxClient::parseWindows(lists.windows),
                                                   TmuxClient::parsePanes(lists.panes));
        FUZZ_CHECK(sessions == lists.expected);
        // With the clients listed after the sessions, only a person's client makes one attached.
        std::string withClients = lists.sessions;
        for (const auto& session : lists.expected)
            withClients += line({"", session.sessionID, session.isAttached ? "0" : "1"});
        const auto attached = TmuxClient::parseSessions(withClients);
        FUZZ_CHECK(attached.size() == lists.expected.size());
        for (std::size_t i = 0; i < attached.size(); ++i)
            FUZZ_CHECK(attached[i].isAttached == lists.expected[i].isAttached);
        return 0;
    }
    checkAnyText(input.ConsumeRemainingBytesAsString());
    return 0;
}
