// The pane map against real windows: boxes to scale, the active pane marked, and every click
// and menu action reaching the pane drawn (tmux's pane ids are not its indexes).
#include <gtest/gtest.h>

#include <QMenu>

#include "app/ui/pane_layout_map.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::PaneLayoutMap;

class PaneLayoutMapTest : public UiFixture {
protected:
    // dev:1 split left | right, the right half split top / bottom; 120 × 40 cells.
    void startWithSplitWindow() {
        sandbox.newSession(server, "dev");
        sandbox.newWindow(server, "dev", "split");
        tmux({"split-window", "-h", "-d", "-t", "=dev:1"});
        tmux({"split-window", "-d", "-t", "=dev:1.1"});
        startStores();
    }
    const TmuxSession& dev() { return env->sessions().at(0); }

    static QAction* action(QMenu& menu, const QString& text) {
        for (QAction* a : menu.actions())
            if (a->text() == text) return a;
        return nullptr;
    }
};

TEST_F(PaneLayoutMapTest, BoxesAreToScaleAndMarkTheActivePane) {
    startWithSplitWindow();
    PaneLayoutMap map(*env, dev(), dev().windows.at(1));
    const struct {
        int width;
        std::vector<QRectF> rects;  // 2-point inset, cells scaled, 3 points off each box
    } sizes[] = {
        {364, {{2, 2, 177, 49}, {185, 2, 174, 23}, {185, 29.3, 174, 21.7}}},
        {184, {{2, 2, 87, 49}, {93.5, 2, 85.5, 23}, {93.5, 29.3, 85.5, 21.7}}},
    };
    for (const auto& size : sizes) {
        map.resize(size.width, PaneLayoutMap::mapHeight);
        const auto boxes = map.boxes();
        ASSERT_EQ(boxes.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            const QRectF got = boxes[i].rect, want = size.rects[i];
            EXPECT_NEAR(got.x(), want.x(), 0.01) << size.width << " box " << i;
            EXPECT_NEAR(got.y(), want.y(), 0.01) << size.width << " box " << i;
            EXPECT_NEAR(got.width(), want.width(), 0.01) << size.width << " box " << i;
            EXPECT_NEAR(got.height(), want.height(), 0.01) << size.width << " box " << i;
            EXPECT_EQ(boxes[i].index, std::int64_t(i));
            EXPECT_EQ(boxes[i].target, "dev:1." + std::to_string(i));
            EXPECT_EQ(boxes[i].active, i == 0);
        }
    }

    tmux({"select-pane", "-t", "=dev:1.2"});
    refreshNow();
    map.setWindow(dev(), dev().windows.at(1));
    std::vector<bool> active;
    for (const auto& box : map.boxes()) active.push_back(box.active);
    EXPECT_EQ(active, (std::vector<bool>{false, false, true}));
}

TEST_F(PaneLayoutMapTest, ClickingABoxSelectsItsPaneAndTheMenuActsOnIt) {
    startWithSplitWindow();
    PaneLayoutMap map(*env, dev(), dev().windows.at(1));
    map.resize(364, PaneLayoutMap::mapHeight);
    const auto boxes = map.boxes();
    // Without a selection callback a box is inert.
    QTest::mouseClick(&map, Qt::LeftButton, {}, boxes[1].rect.center().toPoint());
    EXPECT_EQ(map.helpAt(boxes[1].rect.center()), QString());

    std::vector<std::string> selected;
    map.setOnSelect([&](const std::string& target) { selected.push_back(target); });
    QTest::mouseClick(&map, Qt::LeftButton, {}, boxes[1].rect.center().toPoint());
    QTest::mouseClick(&map, Qt::LeftButton, {}, boxes[2].rect.center().toPoint());
    EXPECT_EQ(selected, (std::vector<std::string>{"dev:1.1", "dev:1.2"}));
    EXPECT_EQ(map.helpAt(boxes[2].rect.center()), "Preview pane 2");

    const auto killed = dev().windows.at(1).panes.at(1).pid;
    QMenu menu;
    map.addActionsTo(menu, boxes[1]);
    action(menu, QStringLiteral("Kill pane"))->trigger();
    ASSERT_TRUE(waitUntil([&] { return dev().windows.at(1).panes.size() == 2; }));
    for (const TmuxPane& pane : dev().windows.at(1).panes) EXPECT_NE(pane.pid, killed);
}

TEST_F(PaneLayoutMapTest, ASinglePaneFillsTheMapAndAnEmptyLayoutDrawsNoBox) {
    sandbox.newSession(server, "solo");
    startStores();
    const TmuxSession solo = env->sessions().at(0);
    PaneLayoutMap map(*env, solo, solo.windows.at(0));
    map.resize(300, PaneLayoutMap::mapHeight);
    const auto boxes = map.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rect, QRectF(2, 2, 296 - 3, 52 - 3));
    EXPECT_TRUE(boxes[0].active);

    TmuxWindow blank = solo.windows.at(0);
    blank.layout.clear();
    map.setWindow(solo, blank);
    EXPECT_TRUE(map.boxes().empty());
}

}  // namespace
}  // namespace quillon::testing
