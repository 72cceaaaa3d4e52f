#pragma once
// A screen test's world: a private tmux server, a private HOME and config directory, the three
// stores on them (with recording desktop services), and a navigator that records where the
// screens asked to go.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/app_environment.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "app/ui/ui_context.h"
#include "tests/app/app_test_support.h"
#include "tests/app/scanner_test_support.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace quillon::testing {

class RecordingNavigator : public ui::Navigator {
public:
    void showMainWindow() override { calls.push_back("main"); }
    void showSettings(ui::SettingsPage) override { calls.push_back("settings"); }
    void showPanel() override { calls.push_back("panel"); }
    void showNewSessionSheet(QWidget*) override { calls.push_back("new-session"); }
    void quit() override { calls.push_back("quit"); }
    std::vector<std::string> calls;
};

class UiFixture : public ::testing::Test {
protected:
    // A bootstrapped environment on this test's server, in the given language; withoutTmux:
    // as on a machine where tmux is not installed.
    void startStores(const std::string& language = "en", bool withoutTmux = false) {
        DefaultsStore defaults = store();
        defaults.set("socketMode", "name");
        defaults.set("socketValue", server);
        defaults.set("language", language);
        const auto tmuxPath = withoutTmux ? std::nullopt : std::optional(TmuxSandbox::tmuxPath());
        env = std::make_unique<AppEnvironment>(AppEnvironment::Options{defaults, tmuxPath, platform.platform()});
        if (!withoutTmux) {
            ASSERT_TRUE(waitUntil([&] { return env->pollingTimerInterval().has_value(); }));
        }
        templates = std::make_unique<TemplateStore>(defaults);
        rules = std::make_unique<RuleStore>(defaults, *env, notifier);
        context = std::make_unique<ui::UiContext>(ui::UiContext{*env, *templates, *rules, notifier, navigator});
    }

    // One refresh that starts now, waited for.
    void refreshNow() {
        ASSERT_TRUE(waitUntil([&] { return !env->refreshing(); }));
        ASSERT_TRUE(finish([&](AppEnvironment::Done done) { env->refresh(done); }));
    }

    DefaultsStore store() const { return DefaultsStore(home.path() / "config" / "quillon" / "org.quillon.Quillon.json"); }
    std::string tmux(const std::vector<std::string>& args) { return sandbox.tmux(server, args); }
    bool hasSession(const std::string& name) {
        try {
            tmux({"has-session", "-t", "=" + name});
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    TmuxSandbox sandbox;
    TempDir home{"quillon-ui-home"};
    ScopedEnv homeEnv{"HOME", home.str()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", (home.path() / "config").string()};
    RecordingPlatform platform;
    RecordingNotifier notifier;
    RecordingNavigator navigator;
    std::string server = TmuxSandbox::uniqueName("ui");
    std::unique_ptr<AppEnvironment> env;
    std::unique_ptr<TemplateStore> templates;
    std::unique_ptr<RuleStore> rules;
    std::unique_ptr<ui::UiContext> context;
};

// Controls a screen reader reaches without a name: buttons, fields, pickers, lists.
inline std::vector<std::string> unnamedControls(QWidget* root) {
    std::vector<std::string> unnamed;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(root) && widget != root) continue;
        if (!(widget->focusPolicy() & Qt::TabFocus) && !qobject_cast<QAbstractButton*>(widget)) continue;
        QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(widget);
        if (!a11y) continue;
        if (a11y->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.push_back(widget->metaObject()->className() + std::string(" ") + widget->objectName().toStdString());
    }
    return unnamed;
}

}  // namespace quillon::testing
