#pragma once
// A screen test's world: the app fixture's server, home and stores, what every screen is
// given, a navigator recording where the screens asked to go, a check that every control
// a screen reader reaches has a name, and one that every label is read by what it shows.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/ui/ui_context.h"
#include "core/process_runner.h"
#include "tests/app/app_test_support.h"

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

class UiFixture : public AppFixture {
protected:
    // What screens are built from, made with every start of the stores.
    void storesStarted() override {
        context = std::make_unique<ui::UiContext>(ui::UiContext{*env, *templates, *rules, desktop, navigator});
    }
    bool hasSession(const std::string& name) {
        return runProcess(TmuxSandbox::tmuxPath(), {"tmux", "-L", server, "has-session", "-t", "=" + name}).exitCode == 0;
    }

    RecordingNavigator navigator;
    std::unique_ptr<ui::UiContext> context;
    // The main window keeps its layout in the state folder: this test's own.
    ScopedEnv stateEnv{"XDG_STATE_HOME", (home.path() / "state").string()};
};

// A menu's texts; the action or button with this text, or nothing.
inline QStringList texts(const QMenu& menu) {
    QStringList out;
    for (QAction* action : menu.actions()) out << action->text();
    return out;
}
inline QAction* actionNamed(const QMenu& menu, const QString& text) {
    const auto actions = menu.actions();
    return actions.value(texts(menu).indexOf(text));
}
inline QAbstractButton* buttonNamed(const QWidget& root, const QString& text) {
    for (QAbstractButton* button : root.findChildren<QAbstractButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

// Answers the next application-modal message box with its button of that text.
inline void answerNextBox(const QString& text) {
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ASSERT_NE(buttonNamed(*box, text), nullptr) << text.toStdString();
        buttonNamed(*box, text)->click();
    });
}

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

// Labels showing text that a screen reader reads by some other, fixed name (rich text is
// read as plain text, and a mnemonic without its &).
inline std::vector<std::string> labelsReadOtherwise(QWidget* root) {
    std::vector<std::string> found;
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(root) || label->text().isEmpty()) continue;
        QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(label);
        const QString name = a11y ? a11y->text(QAccessible::Name) : QString();
        QString shown = label->textFormat() == Qt::PlainText ? label->text()
                                                             : QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        if (label->buddy()) shown.remove(QRegularExpression(QStringLiteral("&(?=[^&])")));
        if (name != shown)
            found.push_back(label->metaObject()->className() + std::string(" ") + label->objectName().toStdString() +
                            " \"" + label->text().toStdString() + "\" read as \"" + name.toStdString() + "\"");
    }
    return found;
}

}  // namespace quillon::testing
