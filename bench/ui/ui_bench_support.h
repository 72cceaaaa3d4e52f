#pragma once
// What the screen benchmarks share: the stores and context a screen is built from, without
// desktop services.

#include <QApplication>

#include <filesystem>
#include <memory>
#include <string>

#include "app/notifier.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "app/ui/ui_context.h"
#include "bench/app/app_bench_support.h"

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

// What the screens are built from: the environment on the server (its first refresh done, so
// make the server's sessions first), templates and rules on a throw-away document, and the
// context over them.
struct ScreenStores {
    SilentNotifier notifier;
    NoNavigation navigator;
    std::unique_ptr<AppEnvironment> env;
    std::unique_ptr<TemplateStore> templates;
    std::unique_ptr<RuleStore> rules;
    std::unique_ptr<ui::UiContext> context;

    explicit ScreenStores(const BenchServer& server) : env(benchEnvironment(server)) {
        DefaultsStore defaults("/tmp/quillon-bench-ui-" + std::to_string(::getpid()) + ".json");
        templates = std::make_unique<TemplateStore>(defaults);
        rules = std::make_unique<RuleStore>(defaults, *env, notifier);
        std::filesystem::remove(defaults.path());
        context = std::make_unique<ui::UiContext>(ui::UiContext{*env, *templates, *rules, notifier, navigator});
    }
};

}  // namespace quillon::bench
