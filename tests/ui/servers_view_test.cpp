// The Servers screen and the Hosts tab against private servers (and a private sshd): the
// verdict of every socket, the shown server marked, "Use this server" switching the app,
// a stale socket removed only after its confirmation and only while nothing answers,
// remote hosts listed and used like local ones, and this machine shown at once while a
// host that never answers is still being asked.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <chrono>
#include <filesystem>

#include "app/server_census.h"
#include "app/ui/servers/servers_view.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/settings/hosts_page.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/ui_text.h"
#include "core/stored_hosts.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::qs;

class ServersViewTest : public UiFixture {
protected:
    // The first row under a group whose first cell starts with the text.
    static QModelIndex rowStarting(const QTreeView& tree, const QString& prefix) {
        const QAbstractItemModel& model = *tree.model();
        for (int g = 0; g < model.rowCount(); ++g) {
            const QModelIndex group = model.index(g, 0);
            for (int r = 0; r < model.rowCount(group); ++r) {
                const QModelIndex row = model.index(r, 0, group);
                if (row.data().toString().startsWith(prefix)) return row;
            }
        }
        return {};
    }
    static QString cellText(const QModelIndex& row, int column) { return row.siblingAtColumn(column).data().toString(); }
    static void select(QTreeView& tree, const QModelIndex& row) {
        tree.selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    bool reloaded(ui::ServersView& view) {
        int before = shown;
        view.reload();
        return waitUntil([&] { return shown > before; });
    }
    int shown = 0;
};

TEST_F(ServersViewTest, EveryLocalServerWithItsVerdictAndTheShownOneMarked) {
    sandbox.newSession(server, "dev");
    const auto other = TmuxSandbox::uniqueName("other"), dead = TmuxSandbox::uniqueName("zz-dead");
    sandbox.newSession(other, "x");
    makeDeadSocket(sandbox.socketPath(dead));
    startStores();
    ui::ServersView view(*context);
    QObject::connect(&view, &ui::ServersView::censusShown, [this] { ++shown; });
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    ASSERT_TRUE(reloaded(view));
    QTreeView& tree = *view.tree();
    EXPECT_EQ(tree.currentIndex().data().toString(), "▸ " + qs(server) + " (shown)");  // where keys start

    const QModelIndex mine = rowStarting(tree, QStringLiteral("▸ ") + qs(server));
    ASSERT_TRUE(mine.isValid());
    EXPECT_EQ(cellText(mine, 0), "▸ " + qs(server) + " (shown)");
    EXPECT_EQ(cellText(mine, 1), "live");
    EXPECT_EQ(cellText(mine, 3), "1");
    EXPECT_EQ(cellText(mine, 4), "0");
    EXPECT_TRUE(cellText(mine, 2).contains('.'));  // the server's own version
    const QModelIndex stale = rowStarting(tree, qs(dead));
    EXPECT_EQ(cellText(stale, 1), "stale (socket left) — no server running on " + qs(sandbox.socketPath(dead)));

    // Use another server: the whole app follows.
    QPushButton* use = view.findChild<QPushButton*>(QStringLiteral("useServer"));
    select(tree, mine);
    EXPECT_FALSE(use->isEnabled());
    select(tree, rowStarting(tree, qs(other)));
    ASSERT_TRUE(use->isEnabled());
    tree.setCurrentIndex(rowStarting(tree, qs(other)));
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Return);  // as the button does
    EXPECT_EQ(env->socketValue(), other);
    ASSERT_TRUE(waitUntil([&] { return env->sessions().size() == 1 && env->sessions()[0].name == "x"; }));
    EXPECT_EQ(cellText(rowStarting(tree, QStringLiteral("▸ ")), 0), "▸ " + qs(other) + " (shown)");

    // A stale socket goes only after its confirmation, which names the file; Delete asks.
    select(tree, rowStarting(tree, qs(dead)));
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Delete);
    QMessageBox* box = view.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Remove socket “" + qs(sandbox.socketPath(dead)) + "”?");
    buttonNamed(*box, QStringLiteral("Remove"))->click();
    ASSERT_TRUE(waitUntil([&] { return !std::filesystem::exists(sandbox.socketPath(dead)); }));
    ASSERT_TRUE(waitUntil([&] { return !rowStarting(tree, qs(dead)).isValid(); }));
    EXPECT_EQ(unnamedControls(&view), std::vector<std::string>{});
}

TEST_F(ServersViewTest, RemoteHostsAreListedAndUsedLikeLocalServers) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    SshSandbox ssh(sandbox.tmpDir());
    const auto remote = startWithRemoteServer();
    ui::ServersView view(*context);
    QObject::connect(&view, &ui::ServersView::censusShown, [this] { ++shown; });
    ASSERT_TRUE(reloaded(view));
    QTreeView& tree = *view.tree();
    const QAbstractItemModel& model = *tree.model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(1, 0).data().toString(), "⇄ quillon-good");
    EXPECT_EQ(model.index(2, 0).data().toString(), "⇄ quillon-refusing");
    const QModelIndex refused = model.index(0, 0, model.index(2, 0));
    EXPECT_EQ(refused.data().toString(), "unreachable");
    EXPECT_TRUE(cellText(refused, 1).contains("Connection refused")) << cellText(refused, 1).toStdString();

    // The remote server's row (the group of the good host), then used like a local one.
    QModelIndex row;
    for (int r = 0; r < model.rowCount(model.index(1, 0)); ++r)
        if (model.index(r, 0, model.index(1, 0)).data().toString() == qs(remote)) row = model.index(r, 0, model.index(1, 0));
    ASSERT_TRUE(row.isValid());
    EXPECT_EQ(cellText(row, 1), "live");
    select(tree, row);
    view.findChild<QPushButton*>(QStringLiteral("useServer"))->click();
    EXPECT_EQ(env->socketHost(), SshSandbox::good);
    ASSERT_TRUE(waitUntil([&] { return env->sessions().size() == 1 && env->sessions()[0].name == "far away"; }));
    // The window's title and the server tile say which machine is shown.
    ui::MainWindow window(*context);
    EXPECT_EQ(window.windowTitle(), "Quillon — quillon-good");
    ui::DashboardView dashboard(*context);
    EXPECT_EQ(dashboard.tiles()[0]->title(), "Server on quillon-good");

}

TEST_F(ServersViewTest, ThisMachineComesAtOnceAndEachHostAsItAnswersWhileAMuteOneIsAsked) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    SshSandbox ssh(sandbox.tmpDir());
    sandbox.newSession(server, "dev");
    store().set(StoredHosts::key, StoredHosts::encode({SshSandbox::mute, SshSandbox::good}));
    startStores();
    const auto limit = env->client()->timeout;
    ui::ServersView view(*context);
    QObject::connect(&view, &ui::ServersView::censusShown, [this] { ++shown; });
    const QAbstractItemModel& model = *view.tree()->model();
    const auto firstRow = [&](int group) { return model.index(0, 0, model.index(group, 0)).data().toString(); };
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.tree()->setFocus();
    // The mute host holds its group until ssh gives up connecting (5 s) or the limit.
    ASSERT_TRUE(waitUntil([&] { return rowStarting(*view.tree(), QStringLiteral("▸ ")).isValid(); }, limit));
    EXPECT_EQ(view.tree()->currentIndex().data().toString(), "▸ " + qs(server) + " (shown)");  // where keys start
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(1, 0).data().toString(), "⇄ quillon-mute");
    EXPECT_EQ(firstRow(1), "asking…");
    // Hosts landing leave the selection alone.
    select(*view.tree(), rowStarting(*view.tree(), QStringLiteral("▸ ")));
    const auto selected = [&] { return view.tree()->selectionModel()->selectedRows().value(0).data().toString(); };
    // The good host answers; the mute one is still being asked.
    ASSERT_TRUE(waitUntil([&] { return firstRow(2) != "asking…"; }, limit));
    EXPECT_EQ(cellText(model.index(0, 0, model.index(2, 0)), 1), "live");
    EXPECT_EQ(firstRow(1), "asking…");
    EXPECT_EQ(shown, 0);
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(firstRow(1), "se interoghează…");
    EXPECT_TRUE(firstRow(0).startsWith("▸ " + qs(server)));
    // Then the mute host says why, and the census is whole.
    ASSERT_TRUE(waitUntil([&] { return shown == 1; }, limit + std::chrono::seconds(5)));
    EXPECT_EQ(firstRow(1), "inaccesibilă");
    EXPECT_FALSE(cellText(model.index(0, 0, model.index(1, 0)), 1).isEmpty());
    EXPECT_EQ(selected(), "▸ " + qs(server) + " (afișat)");
}

TEST_F(ServersViewTest, TheHostsTabStoresDestinationsAndRefusesWhatSshWouldMisread) {
    startStores();
    ui::HostsPage page(*context);
    EXPECT_FALSE(page.add(QStringLiteral("-oProxyCommand=x")));
    EXPECT_EQ(page.message(), "An ssh destination cannot start with \"-\" (it would read as an option).");
    EXPECT_FALSE(page.add(QStringLiteral("ana buildbox")));
    EXPECT_TRUE(page.add(QStringLiteral("  ana@buildbox ")));
    EXPECT_TRUE(page.add(QStringLiteral("devbox")));
    env->saveSettingsNow();
    ASSERT_TRUE(waitUntil([&] { return env->settingsSaved(); }));
    EXPECT_EQ(store().value("hosts"), nlohmann::json::parse(R"([{"destination":"ana@buildbox"},{"destination":"devbox"}])"));
    auto* list = page.findChild<QListWidget*>(QStringLiteral("hosts"));
    ASSERT_EQ(list->count(), 2);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    list->setCurrentRow(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(env->hosts(), std::vector<std::string>{"devbox"});
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(unnamedControls(&page), std::vector<std::string>{});

}

}  // namespace
}  // namespace quillon::testing
