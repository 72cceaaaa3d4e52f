// The rules screen and its editor against a private server: a rule made in the editor fires
// and is listed until Clear; the cards follow the store, switch, edit and delete; the note's
// bold part.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/components.h"
#include "app/ui/automation/rule_cards.h"
#include "app/ui/automation/rule_editor.h"
#include "app/ui/automation/rules_view.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class RulesViewTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        startStores();
    }

    static void choose(QComboBox* box, int value) { box->setCurrentIndex(box->findData(value)); }
};

TEST_F(RulesViewTest, ARuleMadeInTheEditorFiresAndIsListedUntilCleared) {
    ui::RulesView view(*context);
    view.show();
    QTest::mouseClick(view.autoCommandsSwitch(), Qt::LeftButton);
    EXPECT_TRUE(env->autoCommandsEnabled());

    QTest::mouseClick(view.newRuleButton(), Qt::LeftButton);
    auto* editor = view.findChild<ui::RuleEditor*>();
    ASSERT_NE(editor, nullptr);
    auto* name = editor->findChild<QLineEdit*>("name");
    QTest::keyClicks(name, "  \t");
    EXPECT_FALSE(editor->saveButton()->isEnabled()) << "a blank name cannot be saved";
    QTest::keyClicks(name, " mark ");
    EXPECT_TRUE(editor->saveButton()->isEnabled());
    choose(editor->findChild<QComboBox*>("trigger"), int(ScanRuleTrigger::windowAdded));
    auto* value = editor->findChild<QLineEdit*>("value");
    EXPECT_EQ(value->placeholderText(), "(the notification uses the event message)");
    choose(editor->findChild<QComboBox*>("kind"), int(ScanRuleActionKind::sendKeys));
    EXPECT_EQ(value->placeholderText(), "command sent to the session (e.g. clear)");
    const auto marker = home.path() / "fired";
    QTest::keyClicks(value, QString::fromStdString("echo typed-by-rule > '" + marker.string() + "'"));
    auto* cooldown = editor->findChild<QSpinBox*>("cooldown");
    cooldown->stepBy(2);
    EXPECT_EQ(cooldown->text(), "Cooldown: 10s");
    QTest::mouseClick(editor->saveButton(), Qt::LeftButton);

    ASSERT_EQ(rules->rules().size(), 1u);
    const ScanRule saved = rules->rules().front();
    EXPECT_TRUE(saved.name == "mark" && saved.cooldownSeconds == 10);
    EXPECT_EQ(ui::ruleSummary(saved), QStringLiteral("Window opened → Send keys to session: echo typed-by-rule > '") +
                                          QString::fromStdString(marker.string()) + "'");
    EXPECT_EQ(view.cards()->model()->rowCount(), 1);

    // Its firing types into the event's pane and is listed until Clear.
    rules->evaluate(ScanEvent::make(ScanEvent::Kind::windowAdded, "Window opened: main:0 sh", "main:0 sh", "main:0"));
    EXPECT_TRUE(waitUntil([&] { return readWhole(marker) == "typed-by-rule\n"; }));
    EXPECT_TRUE(view.executions()->isVisibleTo(&view));
    EXPECT_TRUE(view.executions()->model()->index(0, 0).data().toString().endsWith(
        " mark: Send keys to session — Window opened: main:0 sh"));
    QTest::mouseClick(view.clearExecutionsButton(), Qt::LeftButton);
    EXPECT_TRUE(rules->executions().empty());
    EXPECT_FALSE(view.executions()->isVisibleTo(&view));
}

TEST_F(RulesViewTest, CardsFollowTheStoreSwitchEditAndDelete) {
    ui::RulesView view(*context);
    view.show();
    EXPECT_TRUE(view.emptyState()->isVisibleTo(&view));
    EXPECT_EQ(view.emptyState()->title(), "No rules");
    const auto labels = view.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
        return label->text().contains("<b>run commands automatically</b>") && label->text().contains("(send-keys or shell)");
    }));
    const ScanRule vim{.name = "vim", .trigger = ScanRuleTrigger::paneChanged, .match = "vim",
                       .actionKind = ScanRuleActionKind::runShell, .actionValue = "say done"};
    rules->upsert(vim);
    rules->upsert(ScanRule{});
    EXPECT_FALSE(view.emptyState()->isVisibleTo(&view));
    ASSERT_EQ(view.cards()->model()->rowCount(), 2);
    EXPECT_EQ(ui::ruleSummary(vim), "Pane command changed contains „vim” → Run shell command: say done");
    EXPECT_EQ(view.cards()->model()->index(1, 0).data().toString(), "(unnamed)");

    const QModelIndex first = view.cards()->model()->index(0, 0);
    QMenu menu;
    view.cardDelegate()->addButtonsTo(menu, first);
    EXPECT_EQ(texts(menu), QStringList({"Enabled", "Edit", "Delete"}));

    view.cardDelegate()->click(first, ui::RuleCardDelegate::toggleEnabled);
    EXPECT_FALSE(rules->rules().front().enabled);
    view.cardDelegate()->click(first, ui::RuleCardDelegate::edit);
    auto* name = view.findChild<ui::RuleEditor*>()->findChild<QLineEdit*>("name");
    EXPECT_EQ(name->text(), "vim");
    name->setText("vim watcher");
    QTest::mouseClick(view.findChild<ui::RuleEditor*>()->saveButton(), Qt::LeftButton);
    EXPECT_EQ(rules->rules().front().name, "vim watcher");
    EXPECT_EQ(rules->rules().size(), 2u) << "an edited rule is replaced in place";

    view.cardDelegate()->click(view.cards()->model()->index(1, 0), ui::RuleCardDelegate::remove);
    EXPECT_EQ(view.cards()->model()->rowCount(), 1);
    // What the screen did is what a fresh start reads.
    RuleStore reloaded(store(), *env, desktop);
    ASSERT_EQ(reloaded.rules().size(), 1u);
    EXPECT_TRUE(reloaded.rules().front().name == "vim watcher" && !reloaded.rules().front().enabled);

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(ui::ruleSummary(reloaded.rules().front()), "Comandă pane schimbată conține „vim” → Rulează comandă shell: say done");
    EXPECT_EQ(view.newRuleButton()->text(), "Regulă nouă");
}

// The pane triggers' own fields: shown with their trigger only, a pattern the search would
// refuse says why and cannot be saved, and what was set reaches the store and reads back.
TEST_F(RulesViewTest, PaneTriggersShowTheirOwnFieldsAndABadPatternCannotBeSaved) {
    ui::RulesView view(*context);
    view.show();
    QTest::mouseClick(view.newRuleButton(), Qt::LeftButton);
    auto* editor = view.findChild<ui::RuleEditor*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor->findChild<QLineEdit*>("name"), "build failed");
    auto* trigger = editor->findChild<QComboBox*>("trigger");
    auto* quiet = editor->findChild<QSpinBox*>("quietSeconds");
    auto* pattern = editor->findChild<QLineEdit*>("pattern");
    auto* regex = editor->findChild<QCheckBox*>("regex");
    auto* error = editor->findChild<QLabel*>("patternError");
    const auto visible = [&](QWidget* w) { return w->isVisibleTo(editor); };
    EXPECT_FALSE(visible(quiet) || visible(pattern) || visible(regex));
    choose(trigger, int(ScanRuleTrigger::paneQuiet));
    EXPECT_TRUE(visible(quiet));
    EXPECT_FALSE(visible(pattern));
    EXPECT_EQ(editor->findChild<QLineEdit*>("match")->accessibleName(), "Session (name contains…)");
    choose(trigger, int(ScanRuleTrigger::outputMatches));
    EXPECT_FALSE(visible(quiet));
    EXPECT_TRUE(visible(pattern) && visible(regex));
    regex->click();
    QTest::keyClicks(pattern, "error(");
    EXPECT_TRUE(visible(error));
    EXPECT_FALSE(error->text().isEmpty());
    EXPECT_EQ(error->accessibleName(), error->text());
    EXPECT_FALSE(editor->saveButton()->isEnabled()) << "a pattern the search refuses";
    QTest::keyClick(pattern, Qt::Key_Backspace);
    EXPECT_FALSE(visible(error));
    EXPECT_TRUE(editor->saveButton()->isEnabled());
    QTest::keyClicks(editor->findChild<QLineEdit*>("match"), "build");
    EXPECT_EQ(unnamedControls(editor), std::vector<std::string>{});
    QTest::mouseClick(editor->saveButton(), Qt::LeftButton);
    ASSERT_EQ(rules->rules().size(), 1u);
    const ScanRule saved = rules->rules().front();
    EXPECT_EQ(saved.trigger, ScanRuleTrigger::outputMatches);
    EXPECT_EQ(saved.pattern, "error");
    EXPECT_TRUE(saved.patternIsRegex);
    EXPECT_EQ(saved.match, "build");
    RuleStore reloaded(store(), *env, desktop);
    EXPECT_EQ(reloaded.rules(), rules->rules());
    EXPECT_EQ(ui::ruleSummary(saved), "Output matches /error/ contains „build” → Notification");

    ScanRule slow{.name = "slow", .trigger = ScanRuleTrigger::paneQuiet, .quietSeconds = 45};
    ui::RuleEditor edit(*context, slow);
    EXPECT_EQ(edit.findChild<QSpinBox*>("quietSeconds")->value(), 45);
    edit.findChild<QSpinBox*>("quietSeconds")->setValue(90);
    EXPECT_EQ(edit.editedRule().quietSeconds, 90);
    EXPECT_EQ(ui::ruleSummary(edit.editedRule()), "Quiet for 90 s → Notification");
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(edit.findChild<QComboBox*>("trigger")->currentText(), "Liniștit de N s");
}

}  // namespace
}  // namespace quillon::testing
