// New sessions and their names. Every field that names a session (the panel, the new-session
// sheet, the detail's rename, the template editor) keeps blanks and tmux's separators from
// tmux, whether by the button, Return or a direct call, and a valid name arrives trimmed. The
// sheet expands "~", attaches after a creation that worked, and keeps a refusal in view.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "app/ui/widgets/components.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/sessions/new_session_sheet.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/templates/template_editor.h"
#include "core/text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class NewSessionTest : public UiFixture {};

TEST_F(NewSessionTest, OnlyValidTrimmedNamesReachTmux) {
    WrappedTmux wrapped(home.path());
    tmuxPath = wrapped.path();
    sandbox.newSession(server, "dev");
    startStores();
    ui::MenuBarView panel(*context);
    panel.newSessionButton()->click();
    ui::NewSessionSheet sheet(*context);
    ui::SessionDetailView detail(*context, "dev");
    ui::TemplateEditor editor(*context, SessionTemplate{newTemplateID(), "", "", {}});
    const struct {
        const char* name;
        bool warns;  // the sheet's warning is about the separators only
    } invalid[] = {{"", false}, {"  \t", false}, {"a:b", true}, {" x.y ", true}, {"a.b", true}};
    for (const auto& [name, warns] : invalid) {
        const QString text = QString::fromUtf8(name);
        panel.newNameField()->setText(text);
        EXPECT_FALSE(panel.createButton()->isEnabled()) << name;
        QTest::keyClick(panel.newNameField(), Qt::Key_Return);
        sheet.nameField()->setText(text);
        EXPECT_FALSE(sheet.createButton()->isEnabled()) << name;
        EXPECT_EQ(sheet.warningShown(), warns) << name;
        sheet.create();
        detail.startRename();
        detail.renameField()->setText(text);
        QTest::keyClick(detail.renameField(), Qt::Key_Return);
        EXPECT_FALSE(detail.renameField()->isVisibleTo(&detail)) << name;
        editor.findChild<QLineEdit*>("name")->setText(text);
        EXPECT_FALSE(editor.saveButton()->isEnabled()) << name;
    }
    detail.startRename();
    detail.renameField()->setText(" dev\t");  // unchanged: nothing to do
    detail.commitRename();
    QTest::qWait(200);
    EXPECT_EQ(wrapped.count("new-session") + wrapped.count("rename-session"), 0u);

    editor.findChild<QLineEdit*>("name")->setText("  proj  ");
    EXPECT_TRUE(editor.saveButton()->isEnabled());
    panel.newNameField()->setText("  new one\t");
    panel.createButton()->click();
    ASSERT_TRUE(waitUntil([&] { return hasSession("new one") && panel.newNameField()->text().isEmpty(); }));
    EXPECT_FALSE(panel.newNameField()->isVisibleTo(&panel));
    EXPECT_TRUE(desktop.opened().empty()) << "the panel does not attach after creating";
    detail.startRename();
    detail.renameField()->setText("  work ");
    detail.commitRename();
    ASSERT_TRUE(waitUntil([&] { return hasSession("work"); }));
    EXPECT_EQ(wrapped.count("rename-session"), 1u);
    EXPECT_TRUE(waitUntil([&] { return detail.findChild<ui::EmptyState*>()->isVisibleTo(&detail); }));
}

TEST_F(NewSessionTest, CreatesInTheExpandedDirectoryAttachesAndKeepsARefusalVisible) {
    sandbox.newSession(server, "dev");
    startStores();
    std::filesystem::create_directory(home.path() / "proj");
    ui::NewSessionSheet sheet(*context);
    sheet.nameField()->setText(QStringLiteral(" proj "));
    sheet.directoryField()->setText(QStringLiteral("~/proj"));
    ASSERT_TRUE(sheet.attachAfter()->isChecked());
    QTest::mouseClick(sheet.createButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return sheet.result() == QDialog::Accepted; }));
    EXPECT_TRUE(text::contains(tmux({"list-sessions", "-F", "#{session_name}:#{session_path}"}),
                               "proj:" + (home.path() / "proj").string()));
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "attach-session -t '" + std::string(text::trim(tmux({"display-message", "-p", "-t", "=proj:", "#{session_id}"}))) + "'"));

    ui::NewSessionSheet again(*context);
    again.nameField()->setText(QStringLiteral("proj"));  // taken
    again.create();
    ASSERT_TRUE(waitUntil([&] { return !again.errorText().isEmpty(); }));
    EXPECT_TRUE(again.errorText().contains("duplicate session")) << again.errorText().toStdString();
    EXPECT_NE(again.result(), QDialog::Accepted);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_TRUE(again.createButton()->isEnabled());
}

}  // namespace
}  // namespace quillon::testing
