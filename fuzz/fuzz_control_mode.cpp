// tmux's control-mode output. Bytes in any chunks: the same lines as in one piece, each the
// bytes between two line feeds less one carriage return, and only well-formed UTF-8 within
// the line limit. Notifications written the way tmux writes them: read back with their ids
// and names byte for byte (blanks inside a name included). Any line: a forwarded line is a
// notification, and one that does not start with "%" is none.

#include <cstdint>
#include <string>
#include <vector>

#include "core/control_mode.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: checkChunks(input); break;
        case 1: checkNotification(input); break;
        default: checkAnyLine(input.ConsumeRemainingBytesAsString()); break;
    }
    return 0;
}
