#pragma once
// A main for the screen benchmarks: a QApplication, offscreen unless a display is asked for;
// and the desktop services screens are given, doing nothing.

#include <QApplication>

#include <string>

#include "app/notifier.h"
#include "app/ui/ui_context.h"
#include "bench/app_bench_support.h"

namespace quillon::bench {

class SilentNotifier : public Notifier {
public:
    void post(const std::string&, const std::string&) override {}
};

struct NoNavigation : ui::Navigator {
    void showMainWindow() override {}
    void showSettings(ui::SettingsPage) override {}
    void showPanel() override {}
    void showNewSessionSheet(QWidget*) override {}
    void quit() override {}
};

}  // namespace quillon::bench

#define QUILLON_UI_BENCHMARK_MAIN()                                                      \
    int main(int argc, char** argv) {                                                    \
        quillon::ignoreSigpipe();                                                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                                    \
        ::benchmark::Initialize(&argc, argv);                                            \
        if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;              \
        ::benchmark::RunSpecifiedBenchmarks();                                           \
        ::benchmark::Shutdown();                                                         \
        return 0;                                                                        \
    }
