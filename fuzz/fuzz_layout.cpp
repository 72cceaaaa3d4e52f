// tmux's window_layout strings. Any text: rectangles that never wrap and that lie within the
// bounds. A layout written the way tmux writes one (random trees of splits): exactly its
// leaves, in order.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/layout_parser.h"
#include "fuzz/fuzz_check.h"

namespace {

using quillon::LayoutRect;

// A cell "WxH,X,Y" followed by ",id" for a pane or by {…} / […] for a split.
void writeCell(FuzzedDataProvider& input, int depth, std::string& out, std::vector<LayoutRect>& leaves) {
    const LayoutRect r{input.ConsumeIntegralInRange<std::int64_t>(0, 99999), input.ConsumeIntegralInRange<std::int64_t>(0, 9999),
                       input.ConsumeIntegralInRange<std::int64_t>(0, 9999), input.ConsumeIntegralInRange<std::int64_t>(0, 9999),
                       input.ConsumeIntegralInRange<std::int64_t>(0, 9999)};
    out += std::to_string(r.w) + "x" + std::to_string(r.h) + "," + std::to_string(r.x) + "," + std::to_string(r.y);
    const int children = depth < 5 ? input.ConsumeIntegralInRange<int>(0, 4) : 0;
    if (children < 2) {
        out += "," + std::to_string(r.pane);
        leaves.push_back(r);
        return;
    }
    const bool sideBySide = input.ConsumeBool();
    out += sideBySide ? '{' : '[';
    for (int i = 0; i < children; ++i) {
        if (i) out += ',';
        writeCell(input, depth + 1, out, leaves);
    }
    out += sideBySide ? '}' : ']';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        std::string layout = "b25d,";
        std::vector<LayoutRect> leaves;
        writeCell(input, 0, layout, leaves);
        FUZZ_CHECK(quillon::LayoutParser::parse(layout) == leaves);
        return 0;
    }
    const std::string layout = input.ConsumeRemainingBytesAsString();
    const auto rects = quillon::LayoutParser::parse(layout);
    const auto [width, height] = quillon::LayoutParser::bounds(rects);
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    for (const LayoutRect& r : rects) {
        FUZZ_CHECK(r.pane >= 0 && r.x >= 0 && r.y >= 0 && r.w >= 0 && r.h >= 0);
        FUZZ_CHECK(r.w <= most - r.x && r.h <= most - r.y);
        FUZZ_CHECK(r.x + r.w <= width && r.y + r.h <= height);
    }
    // Every pane is named after a comma of its own.
    FUZZ_CHECK(rects.size() <= static_cast<std::size_t>(std::count(layout.begin(), layout.end(), ',')));
    return 0;
}
