// The pane map against real windows: boxes to scale, the active pane marked, and every click
// and menu action reaching the pane drawn (tmux's pane ids are not its indexes).
#include <gtest/gtest.h>

#include <QMenu>

#include <cmath>

#include "app/ui/sessions/pane_layout_map.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::PaneLayoutMap;

class PaneLayoutMapTest : public UiFixture {
protected:
    // dev:1 split left | right, the right half split top / bottom; 120 × 40 cells.
    void SetUp() override {
        sandbox.newSession(server, "dev");
        sandbox.newWindow(server, "dev", "split");
        tmux({"split-window", "-h", "-d", "-t", "=dev:1"});
        tmux({"split-window", "-d", "-t", "=dev:1.1"});
        startStores();
    }
    const TmuxWindow& split() { return env->sessions().at(0).windows.at(1); }
    std::vector<std::int64_t> pids() {
        std::vector<std::int64_t> out;
        for (const TmuxPane& pane : split().panes) out.push_back(pane.pid);
        return out;
    }
};

TEST_F(PaneLayoutMapTest, BoxesAreToScaleAndMarkTheActivePane) {
    PaneLayoutMap map(*env, env->sessions().at(0), split());
    const struct {
        int width;
        std::vector<QRectF> rects;  // 2-point inset, cells scaled, 3 points off each box
    } sizes[] = {
        {364, {{2, 2, 177, 49}, {185, 2, 174, 23}, {185, 29.3, 174, 21.7}}},
        {184, {{2, 2, 87, 49}, {93.5, 2, 85.5, 23}, {93.5, 29.3, 85.5, 21.7}}},
    };
    const auto off = [](QRectF a, QRectF b) {
        return std::abs(a.left() - b.left()) + std::abs(a.top() - b.top()) + std::abs(a.right() - b.right()) +
               std::abs(a.bottom() - b.bottom());
    };
    for (const auto& size : sizes) {
        map.resize(size.width, PaneLayoutMap::mapHeight);
        const auto boxes = map.boxes();
        ASSERT_EQ(boxes.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_LT(off(boxes[i].rect, size.rects[i]), 0.04) << size.width << " box " << i;
            EXPECT_EQ(boxes[i].index, std::int64_t(i));
            EXPECT_EQ(boxes[i].target, "dev:1." + std::to_string(i));
            EXPECT_EQ(boxes[i].active, i == 0);
        }
    }
    tmux({"select-pane", "-t", "=dev:1.2"});
    refreshNow();
    map.setWindow(env->sessions().at(0), split());
    EXPECT_TRUE(map.boxes().at(2).active && !map.boxes().at(0).active);

    // A single pane fills the map; an empty layout draws no box.
    TmuxWindow solo = env->sessions().at(0).windows.at(0);
    map.resize(300, PaneLayoutMap::mapHeight);
    map.setWindow(env->sessions().at(0), solo);
    ASSERT_EQ(map.boxes().size(), 1u);
    EXPECT_EQ(map.boxes()[0].rect, QRectF(2, 2, 296 - 3, 52 - 3));
    solo.layout.clear();
    map.setWindow(env->sessions().at(0), solo);
    EXPECT_TRUE(map.boxes().empty());
}

TEST_F(PaneLayoutMapTest, ClickingABoxSelectsItsPaneAndTheMenuActsOnIt) {
    PaneLayoutMap map(*env, env->sessions().at(0), split());
    map.resize(364, PaneLayoutMap::mapHeight);
    const auto boxes = map.boxes();
    // Without a selection callback a box is inert.
    QTest::mouseClick(&map, Qt::LeftButton, {}, boxes[1].rect.center().toPoint());
    EXPECT_EQ(map.helpAt(boxes[1].rect.center()), QString());
    std::vector<std::string> selected;
    map.setOnSelect([&](const std::string& target) { selected.push_back(target); });
    QTest::mouseClick(&map, Qt::LeftButton, {}, boxes[1].rect.center().toPoint());
    QTest::mouseClick(&map, Qt::LeftButton, {}, boxes[2].rect.center().toPoint());
    EXPECT_EQ(selected, (std::vector<std::string>{split().panes[1].paneID, split().panes[2].paneID}));
    EXPECT_EQ(map.helpAt(boxes[2].rect.center()), "Preview pane 2");

    // The menu acts on the pane drawn, by its id: after "Move back" moved it to index 2,
    // "Kill pane" still kills it, not the pane now at index 1.
    const auto before = pids();
    QMenu menu;
    map.addActionsTo(menu, boxes[1]);
    actionNamed(menu, "Move back")->trigger();
    ASSERT_TRUE(waitUntil([&] { return pids() == std::vector{before[0], before[2], before[1]}; }));
    actionNamed(menu, "Kill pane")->trigger();
    ASSERT_TRUE(waitUntil([&] { return pids() == std::vector{before[0], before[2]}; }));
    // Once it is gone, the same action is tmux's error, not a neighbour's end.
    actionNamed(menu, "Kill pane")->trigger();
    ASSERT_TRUE(waitUntil([&] { return env->lastError().has_value(); }));
    EXPECT_TRUE(text::contains(*env->lastError(), "can't find pane")) << *env->lastError();
    EXPECT_EQ(pids(), (std::vector{before[0], before[2]}));
}

}  // namespace
}  // namespace quillon::testing
