// The templates screen and its editor against a private server: the seed and captured sessions
// show up as cards; a template made in the editor launches the session and windows it
// describes and attaches; the card follows the live session; deleting all of them persists.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/components.h"
#include "app/ui/templates/template_cards.h"
#include "app/ui/templates/template_editor.h"
#include "app/ui/templates/templates_view.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class TemplatesViewTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        startStores();
    }

    static std::vector<std::string> titles(const ui::TemplatesView& view) {
        std::vector<std::string> out;
        for (int row = 0; row < view.cards()->model()->rowCount(); ++row)
            out.push_back(view.cards()->model()->index(row, 0).data().toString().toStdString());
        return out;
    }
    ui::CardButton primary(const ui::TemplatesView& view, int row) {
        return view.cardDelegate()->buttons(view.cards()->model()->index(row, 0)).front();
    }
};

TEST_F(TemplatesViewTest, CardsFollowTheStoreAndTheSessionsAndATemplateMadeInTheEditorLaunches) {
    ui::TemplatesView view(*context);
    view.show();
    EXPECT_EQ(titles(view), (std::vector<std::string>{"dev", "logs", "agent"}));
    EXPECT_EQ(ui::windowsSummary(templates->templates().front()), "3 windows: editor, server, git");
    QMenu menu;
    view.cardDelegate()->addButtonsTo(menu, view.cards()->model()->index(0, 0));
    EXPECT_EQ(texts(menu), QStringList({"Launch", "Edit", "Delete"}));

    QTest::mouseClick(view.newTemplateButton(), Qt::LeftButton);
    auto* editor = view.findChild<ui::TemplateEditor*>();
    ASSERT_NE(editor, nullptr);
    editor->findChild<QLineEdit*>("name")->setText("  proj  ");
    const auto dir = home.path() / "proj dir";
    std::filesystem::create_directory(dir);
    editor->findChild<QLineEdit*>("directory")->setText(QString::fromStdString(" " + dir.string() + "\t"));
    for (int i = 0; i < 3; ++i) editor->addWindow();
    EXPECT_EQ(editor->windowNameField(2)->text(), "window 3");
    editor->removeWindow(1);
    ASSERT_EQ(editor->windowCount(), 2);
    editor->windowNameField(1)->setText("logs");
    QTest::keyClicks(editor->windowCommandField(1), "echo two > second");
    QTest::mouseClick(editor->saveButton(), Qt::LeftButton);
    ASSERT_EQ(templates->templates().size(), 4u);
    const SessionTemplate saved = templates->templates().back();
    EXPECT_TRUE(saved.name == "proj" && saved.directory == dir.string());
    EXPECT_EQ(saved.windows.at(1).command, "echo two > second");
    EXPECT_EQ(ui::windowsSummary(saved), QString::fromStdString("2 windows: window 1, logs · " + dir.string()));
    EXPECT_TRUE(primary(view, 3).text == "Launch" && primary(view, 3).enabled);

    view.cardDelegate()->click(view.cards()->model()->index(3, 0), ui::TemplateCardDelegate::launch);
    ASSERT_TRUE(waitUntil([&] { return desktop.opened().size() == 1; })) << "launching attaches";
    EXPECT_EQ(tmux({"list-windows", "-t", "=proj", "-F", "#{window_name}"}), "window 1\nlogs\n");
    EXPECT_EQ(primary(view, 3).text, "Attach");
    tmux({"kill-session", "-t", "=proj"});
    refreshNow();
    EXPECT_EQ(primary(view, 3).text, "Launch");
    // What the session detail's "Save as template" stores.
    templates->upsert(SessionTemplate::fromSession(env->sessions().front()));
    EXPECT_EQ(titles(view).back(), "main");
    EXPECT_EQ(primary(view, 4).text, "Attach") << "a session of that name runs";

    while (view.cards()->model()->rowCount() > 0)
        view.cardDelegate()->click(view.cards()->model()->index(0, 0), ui::TemplateCardDelegate::remove);
    EXPECT_TRUE(view.emptyState()->isVisibleTo(&view));
    EXPECT_EQ(view.emptyState()->title(), "No templates");
    EXPECT_TRUE(TemplateStore(store()).templates().empty()) << "the empty list is stored, the seed not restored";
}

}  // namespace
}  // namespace quillon::testing
