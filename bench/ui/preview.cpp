// From the click on a pane's preview button to its 5,000 lines painted: the capture in the
// pool, the text into the document, and the first paint of the view.
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QThread>

#include <memory>

#include "app/ui/sessions/pane_preview.h"
#include "app/ui/sessions/session_detail_view.h"
#include "bench/ui/ui_bench_support.h"
#include "core/text.h"

namespace quillon::bench::preview {

struct Fixture {
    static constexpr const char* panes[] = {"big:0.0", "tall:0.0"};
    BenchServer server;
    std::unique_ptr<ScreenStores> stores;
    std::unique_ptr<ui::SessionDetailView> view;

    Fixture() {
        // Two panes of 4,800 rows each with 200 lines of history above: 5,000 captured lines,
        // different in each so every preview changes the document.
        for (const char* session : {"big", "tall"})
            server.tmux({"new-session", "-d", "-s", session, "-x", "160", "-y", "4800"});
        for (const char* pane : panes)
            server.tmux({"send-keys", "-t", pane, std::string("clear; seq -f '") + pane + " line %g' 1 6000", "Enter"});
        for (const char* pane : panes)
            while (!text::contains(server.tmux({"capture-pane", "-p", "-t", pane}), " line 6000")) QThread::msleep(20);
        stores = std::make_unique<ScreenStores>(server);
        view = std::make_unique<ui::SessionDetailView>(*stores->context, "big");
        view->resize(1000, 760);
        view->show();
    }
};

void BM_PreviewOf5000Lines(benchmark::State& state) {
    Fixture& f = sharedFixture<Fixture>();
    ui::PanePreview& preview = *f.view->preview();
    int flip = 0;
    for (auto _ : state) {
        const std::string target = Fixture::panes[flip++ % 2];
        QEventLoop loop;
        QObject::connect(&preview, &ui::PanePreview::textShown, &loop, &QEventLoop::quit);
        f.view->loadPreview(target);  // what the eye button does
        loop.exec();
        preview.textView()->viewport()->repaint();
    }
    const int lines = preview.textView()->document()->blockCount();
    if (lines < 5000) state.SkipWithError("capture shorter than 5,000 lines");
    state.counters["lines"] = lines;
}
BENCHMARK(BM_PreviewOf5000Lines)->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace quillon::bench::preview
