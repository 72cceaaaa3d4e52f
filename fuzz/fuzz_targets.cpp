// Targets and ids as people, agents and tmux write them. An id is a sigil and digits, nothing
// else. A target whose session part is an id reaches tmux unchanged; any other is made exact
// ("=" in front), so no name is ever read as an id, an index or a prefix; the session part is
// the target's own text before the colon.

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/text.h"
#include "core/tmux_target.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::string target(reinterpret_cast<const char*>(data), size);

    const bool id = target.size() > 1 && std::string_view("$@%").find(target[0]) != std::string_view::npos &&
                    std::all_of(target.begin() + 1, target.end(), [](char c) { return c >= '0' && c <= '9'; });
    FUZZ_CHECK(isTmuxId(target) == id);

    const std::string exact = exactTarget(target);
    const std::string_view head = std::string_view(target).substr(0, target.find_first_of(":."));
    if (target.empty() || isTmuxId(head)) {
        FUZZ_CHECK(exact == target);
    } else if (target.find(':') == std::string::npos && target.find('.') != std::string::npos) {
        FUZZ_CHECK(exact == target);  // "window.pane" of the current session
    } else {
        FUZZ_CHECK(exact.front() == '=' && !isTmuxId(exact.substr(0, exact.find_first_of(":."))));
        FUZZ_CHECK(exact.substr(1, target.size()) == target);
        FUZZ_CHECK(text::contains(exact, ":"));
    }

    const std::string_view session = sessionPart(target);
    FUZZ_CHECK(session.empty() || (session.data() == target.data() && session.find(':') == std::string_view::npos));
    FUZZ_CHECK(exactSessionName(target) == "=" + target);
    return 0;
}
