// The layout string of a 64-pane window.
#include <benchmark/benchmark.h>

#include "core/layout_parser.h"

namespace quillon::bench::layout_parse {

// 8 columns of 8 stacked panes, as tmux writes a tiled window.
std::string layout64() {
    std::string out = "a1b2,640x400,0,0{";
    int pane = 0;
    for (int c = 0; c < 8; ++c) {
        if (c) out += ',';
        out += "79x400," + std::to_string(c * 80) + ",0[";
        for (int r = 0; r < 8; ++r) {
            if (r) out += ',';
            out += "79x49," + std::to_string(c * 80) + "," + std::to_string(r * 50) + "," + std::to_string(pane++);
        }
        out += ']';
    }
    return out + '}';
}

void LayoutParse64(benchmark::State& state) {
    const std::string layout = layout64();
    for (auto _ : state) {
        auto rects = quillon::LayoutParser::parse(layout);
        if (rects.size() != 64) state.SkipWithError("wrong pane count");
        benchmark::DoNotOptimize(rects);
    }
}
BENCHMARK(LayoutParse64);

}  // namespace quillon::bench::layout_parse
