// tmux's control-mode output. Bytes in any chunks: the same lines as in one piece, each the
// bytes between two line feeds less one carriage return, and only well-formed UTF-8 within
// the line limit. Notifications written the way tmux writes them: read back with their ids
// and names byte for byte (blanks inside a name included). Any line: a forwarded line is a
// notification, and one that does not start with "%" is none. The watcher's subscription
// values: written the way tmux expands the format, read back field for field; any text either
// reads as whole records or not at all.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/control_mode.h"
#include "core/server_watch.h"
#include "core/text.h"
#include "fuzz/fuzz_check.h"

namespace {

using namespace quillon;
using Kind = ControlNotification::Kind;

std::vector<std::string> linesInOnePiece(std::string_view bytes) {
    std::vector<std::string> lines;
    ControlLineBuffer buffer;
    buffer.append(bytes, [&](const std::string& line) { lines.push_back(line); });
    return lines;
}

// What the buffer promises, written out plainly.
std::vector<std::string> expectedLines(std::string_view bytes) {
    std::vector<std::string> lines;
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1)) {
        std::string_view line = bytes.substr(0, end);
        if (line.size() > ControlLineBuffer::maxLineBytes) continue;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (text::isValidUtf8(line)) lines.emplace_back(line);
    }
    return lines;
}

void checkChunks(FuzzedDataProvider& input) {
    const std::string bytes = input.ConsumeRandomLengthString();
    std::vector<std::string> lines;
    ControlLineBuffer buffer;
    for (std::string_view rest = bytes; !rest.empty();) {
        const auto cut = std::min(rest.size(), input.ConsumeIntegralInRange<std::size_t>(1, 16));
        buffer.append(rest.substr(0, cut), [&](const std::string& line) { lines.push_back(line); });
        rest.remove_prefix(cut);
    }
    FUZZ_CHECK(lines == linesInOnePiece(bytes));
    FUZZ_CHECK(lines == expectedLines(bytes));
    FUZZ_CHECK(buffer.pending() <= ControlLineBuffer::maxLineBytes);
}

void checkNotification(FuzzedDataProvider& input) {
    const std::string id = std::to_string(input.ConsumeIntegral<std::uint32_t>());
    const std::string name = fuzz::textFrom(input, "ab $@%:.\t\xc8\x99", 12);
    struct Case {
        std::string line;
        ControlNotification expected;
    };
    const std::vector<Case> cases = {
        {"%sessions-changed", {Kind::sessionsChanged, "", ""}},
        {"%session-renamed $" + id + " " + name, {Kind::sessionRenamed, "", name}},
        {"%window-add @" + id, {Kind::windowAdd, "@" + id, ""}},
        {"%unlinked-window-add @" + id, {Kind::windowAdd, "@" + id, ""}},
        {"%window-close @" + id, {Kind::windowClose, "@" + id, ""}},
        {"%unlinked-window-close @" + id, {Kind::windowClose, "@" + id, ""}},
        {"%window-renamed @" + id + " " + name, {Kind::windowRenamed, "@" + id, name}},
        {"%layout-change @" + id + " b25d,80x24,0,0,1 b25d,80x24,0,0,1 *", {Kind::other, "", ""}},
    };
    const Case& chosen = cases[input.ConsumeIntegralInRange<std::size_t>(0, cases.size() - 1)];
    FUZZ_CHECK(ControlModeParser::isForwarded(chosen.line));
    FUZZ_CHECK(ControlModeParser::parse(chosen.line) == chosen.expected);
    // Through the buffer, as the reader sees it.
    FUZZ_CHECK(linesInOnePiece(chosen.line + "\r\n") == std::vector<std::string>{chosen.line});
}

void checkAnyLine(const std::string& line) {
    const auto notification = ControlModeParser::parse(line);
    FUZZ_CHECK(notification.has_value() == text::startsWith(line, "%"));
    if (ControlModeParser::isForwarded(line)) FUZZ_CHECK(notification.has_value());
    if (notification && (notification->kind == Kind::windowAdd || notification->kind == Kind::windowClose))
        FUZZ_CHECK(text::contains(line, notification->id));
}

void checkSubscription(FuzzedDataProvider& input) {
    using ServerWatch::LiveValues;
    const std::string f = "\x1f", r = "\x1e", fieldText = "ab /.%@$#{}:\xc8\x99 ";
    LiveValues values;
    std::string value, windowId;  // a pane belongs to the window listed before it
    for (int records = input.ConsumeIntegralInRange(0, 6); records > 0; --records) {
        const std::string id = std::to_string(input.ConsumeIntegral<std::uint16_t>());
        switch (input.ConsumeIntegralInRange(0, 2)) {
            case 0: {
                const auto clients = input.ConsumeIntegral<std::uint16_t>();
                values.sessions.push_back({"$" + id, clients});
                value += "S" + f + "$" + id + f + std::to_string(clients) + r;
                break;
            }
            case 1: {
                const LiveValues::Window window{"@" + id, fuzz::textFrom(input, "0123456789abcdef,x{}[]", 24),
                                                input.ConsumeBool(), input.ConsumeBool(),
                                                fuzz::textFrom(input, "0123456789", 10), input.ConsumeBool()};
                values.windows.push_back(window);
                windowId = window.id;
                value += "W" + f + window.id + f + window.layout + f + (window.isZoomed ? "1" : "0") + f +
                         (window.isActive ? "1" : "0") + f + window.activity + f + (window.hasBell ? "1" : "0") + r;
                break;
            }
            default: {
                const LiveValues::Pane pane{"%" + id, fuzz::textFrom(input, fieldText, 8),
                                            fuzz::textFrom(input, fieldText, 16), input.ConsumeBool(), windowId};
                values.panes.push_back(pane);
                value += "P" + f + pane.id + f + (pane.isDead ? "1" : "0") + f + pane.command + f + pane.path + r;
            }
        }
    }
    const std::string line = "%subscription-changed " + ServerWatch::subscriptionName() + " $0 - - - : " + value;
    FUZZ_CHECK(ServerWatch::classify(line) == ServerWatch::Line::values);
    const auto read = ServerWatch::subscriptionValue(line);
    FUZZ_CHECK(read && *read == value);
    FUZZ_CHECK(LiveValues::parse(*read) == values);
    // Cut short anywhere inside the last record, it is not a value.
    if (!value.empty()) FUZZ_CHECK(!LiveValues::parse(std::string_view(value).substr(0, value.size() - 1)));
    const std::string any = input.ConsumeRemainingBytesAsString();
    if (const auto parsed = LiveValues::parse(any))
        FUZZ_CHECK(parsed->sessions.size() + parsed->windows.size() + parsed->panes.size() ==
                   static_cast<std::size_t>(std::count(any.begin(), any.end(), '\x1e')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0: checkChunks(input); break;
        case 1: checkNotification(input); break;
        case 2: checkSubscription(input); break;
        default: checkAnyLine(input.ConsumeRemainingBytesAsString()); break;
    }
    return 0;
}
