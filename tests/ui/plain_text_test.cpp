// Text from tmux is shown as typed: a session named "<u>under</u>lined" is never underlined,
// in labels, confirmation boxes, the idle banner or tooltips.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTextDocument>

#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/widgets/ui_text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

constexpr const char* markedName = "<u>under</u>lined";

class PlainTextTest : public UiFixture {
protected:
    void SetUp() override {
        const std::string id = sandbox.newSession(server, markedName);
        tmux({"rename-window", "-t", id + ":0", "<b>w</b>"});
        startStores();
    }
};

// Every label under root that shows markup-looking text shows it plain; at least one does.
void expectPlainLabels(const QWidget& root, const std::string& where) {
    int shown = 0;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->text().contains(QStringLiteral("</"))) continue;
        ++shown;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << where << ": " << label->text().toStdString();
    }
    EXPECT_GT(shown, 0) << where;
}

TEST_F(PlainTextTest, NamesFromTmuxAreShownAsTyped) {
    env->setIdleThresholdHours(1e-6);
    refreshNow();
    ui::SessionDetailView view(*context, markedName);
    expectPlainLabels(view, "session header and window group");
    QMessageBox* box = view.confirmKillSession();
    expectPlainLabels(*box, "session kill confirmation");
    box->close();
    box = view.confirmKillWindow(env->sessions().at(0).windows.at(0));
    expectPlainLabels(*box, "window kill confirmation");
    box->close();
    ui::DashboardView dashboard(*context);
    expectPlainLabels(dashboard, "idle banner");

    // A tooltip has no plain-text switch: markup-looking text is escaped, so it reads as typed.
    QTextDocument tip;
    tip.setHtml(ui::plainToolTip(ui::qs(markedName)));
    EXPECT_EQ(tip.toPlainText(), markedName);
    EXPECT_EQ(ui::plainToolTip(QStringLiteral("dev: 2 < 3")), "dev: 2 < 3");
    EXPECT_EQ(ui::plainMenuText(QStringLiteral("R&D")), "R&&D");
}

}  // namespace
}  // namespace quillon::testing
