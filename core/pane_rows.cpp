#include "core/pane_rows.h"

#include <algorithm>
#include <exception>

#include "core/foreground_probe.h"
#include "core/text.h"

namespace quillon {

std::optional<PaneRows> readPaneRows(const TmuxClient& bound, const std::string& paneId, std::optional<std::int64_t> start) {
    const std::string from = start ? std::to_string(*start) : "-";
    TmuxClient::Invocation answer;
    try {
        answer = bound.invoke({"display-message", "-p", "-t", paneId,
                               "#{history_size}\x1f#{history_limit}\x1f#{cursor_y}\x1f#{pane_width}", ";",
                               "capture-pane", "-p", "-t", paneId, "-S", from, "-E", "-"});
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (answer.timedOut || answer.exitCode != 0) return std::nullopt;
    const std::string& out = answer.standardOutput;
    const auto firstEnd = out.find('\n');
    if (firstEnd == std::string::npos) return std::nullopt;
    const auto fields = text::split(std::string_view(out).substr(0, firstEnd), "\x1f", false);
    if (fields.size() != 4) return std::nullopt;
    PaneRows rows;
    try {
        rows.historySize = std::stoll(std::string(fields[0]));
        rows.historyLimit = std::stoll(std::string(fields[1]));
        rows.cursorRow = std::stoll(std::string(fields[2]));
        rows.width = std::stoll(std::string(fields[3]));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    rows.firstRow = start ? std::max<std::int64_t>(rows.historySize + *start, 0) : 0;
    std::string_view captured = std::string_view(out).substr(firstEnd + 1);
    if (!captured.empty() && captured.back() == '\n') captured.remove_suffix(1);
    for (auto row : text::split(captured, "\n", false)) rows.rows.emplace_back(row);
    return rows;
}

bool shellTyping(const PaneStatus& status, const PaneSignals& pane) {
    if (status.state == PaneState::idle || status.state == PaneState::finished) return true;
    return status.state == PaneState::unknown && ForegroundProbe::isShell(pane.currentCommand);
}

}  // namespace quillon
