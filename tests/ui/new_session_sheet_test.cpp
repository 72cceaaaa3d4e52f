// The new-session sheet: "~" is expanded, attach follows a creation that worked, and a refused
// one keeps the sheet open with tmux's reason. (Its name field is in session_name_test.cpp.)
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "app/ui/new_session_sheet.h"
#include "core/text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class NewSessionSheetTest : public UiFixture {};

TEST_F(NewSessionSheetTest, CreatesInTheExpandedDirectoryAttachesAndKeepsARefusalVisible) {
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
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "proj"));

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
