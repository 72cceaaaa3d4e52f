// The Settings window: every control round-trips through the defaults document across a
// restart and follows changes made elsewhere, a failing login item keeps its reason in view,
// the socket is applied only when asked, and the labels follow the language.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <variant>

#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/sessions/session_tree_model.h"
#include "app/ui/settings/pane_states_group.h"
#include "app/ui/settings/settings_view.h"
#include "app/ui/widgets/ui_text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::SettingsView;
using namespace std::chrono_literals;

class SettingsViewTest : public UiFixture {
protected:
    template <class T> static T* control(SettingsView& view, const char* name) {
        auto* found = view.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

// Typing and sliding change the value at once and the document once the user pauses, off the
// GUI thread; what was typed last survives the window closing and a restart.
TEST_F(SettingsViewTest, FieldsAndSlidersWriteTheDocumentOnceTheUserPausesAndLoseNothingOnClose) {
    startStores();
    auto view = std::make_unique<SettingsView>(*context);
    view->show();
    auto* field = control<QLineEdit>(*view, "socketValue");
    auto* slider = control<QSlider>(*view, "pollingInterval");
    field->selectAll();
    QTest::keyClicks(field, "my-socket");
    for (int seconds = 2; seconds <= 20; ++seconds) slider->setValue(seconds);
    EXPECT_EQ(env->socketValue(), "my-socket");
    EXPECT_EQ(env->pollingInterval(), 20);
    EXPECT_EQ(store().string("socketValue"), server) << "written while the user was still typing";
    EXPECT_EQ(store().value("pollingInterval"), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return store().string("socketValue") == "my-socket"; }, 3s));
    EXPECT_EQ(store().number("pollingInterval"), 20.0);

    QTest::keyClicks(field, "-2");
    view->close();
    ASSERT_TRUE(waitUntil([&] { return env->settingsSaved(); }, 1s)) << "closing writes at once";
    EXPECT_EQ(store().string("socketValue"), "my-socket-2");
    QTest::keyClicks(field, "3");
    view.reset();
    restartStores();  // quitting right after typing
    EXPECT_EQ(env->socketValue(), "my-socket-23");
}

TEST_F(SettingsViewTest, EveryControlRoundTripsAcrossARestartAndALoginItemFailureStaysInView) {
    sandbox.newSession(server, "dev");
    startStores();
    using Value = std::variant<int, bool, QString>;  // combo index or slider value, toggle, text
    const struct {
        const char* control;
        Value value;
        const char* key;
        nlohmann::json stored;
    } cases[] = {
        {"language", 1, "language", "ro"},
        {"appearance", 2, "appearance", "dark"},
        {"pollingInterval", 7, "pollingInterval", 7.0},
        {"idleThreshold", 48, "idleThresholdHours", 48.0},
        {"socketMode", 2, "socketMode", "path"},
        {"socketValue", QStringLiteral("/tmp/nowhere"), "socketValue", "/tmp/nowhere"},
        {"scannerMode", 1, "scannerMode", "controlMode"},
        {"scannerInterval", 5, "scannerInterval", 2.5},
        {"notifyOnClose", true, "notifyOnClose", true},
        {"autoCommands", true, "autoCommandsEnabled", true},
        {"silenceThreshold", 90, "silenceThreshold", 90.0},
        {"notify.quiet", true, "paneNotifications",
         {{"waitingForInput", true}, {"finished", true}, {"bell", true}, {"quiet", true}, {"exitedWithError", true}}},
        {"doNotDisturb", 4, "doNotDisturbUntil", "untilTurnedOff"},
    };
    const auto shown = [](QWidget* w) -> Value {
        if (auto* box = qobject_cast<QComboBox*>(w)) return box->currentIndex();
        if (auto* slider = qobject_cast<QSlider*>(w)) return slider->value();
        if (auto* spin = qobject_cast<QSpinBox*>(w)) return spin->value();
        if (auto* check = qobject_cast<QCheckBox*>(w)) return check->isChecked();
        return qobject_cast<QLineEdit*>(w)->text();
    };
    {
        SettingsView view(*context);
        for (const auto& c : cases) {
            QWidget* w = control<QWidget>(view, c.control);
            if (auto* box = qobject_cast<QComboBox*>(w)) {
                box->setCurrentIndex(std::get<int>(c.value));
                emit box->activated(std::get<int>(c.value));
            } else if (auto* slider = qobject_cast<QSlider*>(w)) {
                slider->setValue(std::get<int>(c.value));
            } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
                spin->setValue(std::get<int>(c.value));
            } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
                check->click();
            } else {
                qobject_cast<QLineEdit*>(w)->selectAll();
                QTest::keyClicks(w, std::get<QString>(c.value));
            }
            env->saveSettingsNow();
            ASSERT_TRUE(waitUntil([&] { return env->settingsSaved(); }));
            EXPECT_EQ(store().value(c.key), c.stored) << c.control;
        }
        EXPECT_EQ(env->client()->socketArgs, (std::vector<std::string>{"-L", server}));  // not applied
        // A change made elsewhere shows at once.
        env->setPollingInterval(9);
        EXPECT_EQ(shown(control<QSlider>(view, "pollingInterval")), Value(9));
        EXPECT_EQ(view.windowTitle(), "Setări");
    }
    env->setPollingInterval(7);
    restartStores();
    SettingsView view(*context);
    for (const auto& c : cases) EXPECT_EQ(shown(control<QWidget>(view, c.control)), c.value) << c.control;

    // The login item is the desktop's: a failure keeps the wish and its reason in view.
    view.show();
    auto* toggle = control<QCheckBox>(view, "launchAtLogin");
    toggle->click();
    EXPECT_TRUE(desktop.loginEnabled);
    desktop.loginFailure = "permission denied";
    toggle->click();
    refreshNow();  // clears lastError; the window keeps the reason
    EXPECT_TRUE(desktop.loginEnabled);
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_TRUE(view.loginItemMessage().contains("Login item: permission denied"));
}

TEST_F(SettingsViewTest, TheSocketIsAppliedOnlyByReturnOrApplyAndThePanelFollows) {
    sandbox.newSession(server, "dev");
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "elsewhere");
    startStores();
    ui::MenuBarView panel(*context);
    SettingsView view(*context);
    view.showPage(ui::SettingsPage::tmux);
    view.show();
    auto* mode = control<QComboBox>(view, "socketMode");
    auto* value = control<QLineEdit>(view, "socketValue");
    EXPECT_EQ(control<QLabel>(view, "version")->text().toStdString(), env->tmuxVersion());
    for (int index : {0, 1}) {
        mode->setCurrentIndex(index);
        emit mode->activated(index);
        EXPECT_EQ(value->isVisibleTo(&view), index == 1);
        EXPECT_EQ(control<QPushButton>(view, "applySocket")->isVisibleTo(&view), index == 1);
    }
    EXPECT_EQ(value->placeholderText(), "socket name");
    value->selectAll();
    QTest::keyClicks(value, ui::qs(other));
    EXPECT_EQ(env->client()->socketArgs, (std::vector<std::string>{"-L", server}));
    QTest::keyClick(value, Qt::Key_Return);
    EXPECT_EQ(env->client()->socketArgs, (std::vector<std::string>{"-L", other}));
    ASSERT_TRUE(waitUntil([&] { return env->sessions().size() == 1 && env->sessions()[0].name == "elsewhere"; }));
    EXPECT_EQ(panel.sessionModel()->sessionAt(panel.sessionModel()->index(0, 0))->name, "elsewhere");
}

// "Do not disturb" says until when it holds, and stops saying it once it is over or turned
// off; stored values of the wrong shape are named in the group; both languages, every control
// named, reachable by keyboard.
TEST_F(SettingsViewTest, PaneStatesSayUntilWhenTheyArePausedAndWhatWasStoredWrong) {
    std::filesystem::create_directories(store().path().parent_path());
    writeFile(store().path(), R"({"silenceThreshold": -1})");
    tmuxPath.reset();
    startStores();
    SettingsView view(*context);
    view.showPage(ui::SettingsPage::scanner);
    view.show();
    auto* group = view.findChild<ui::PaneStatesGroup*>();
    ASSERT_NE(group, nullptr);
    auto* pause = control<QComboBox>(view, "doNotDisturb");
    auto* state = control<QLabel>(view, "doNotDisturbState");
    EXPECT_EQ(pause->currentText(), "Off");
    EXPECT_EQ(group->doNotDisturbText(), "");
    QStringList choices;
    for (int i = 0; i < pause->count(); ++i) choices << pause->itemText(i);
    EXPECT_EQ(choices, (QStringList{"Off", "30 min", "1 hour", "4 hours", "Until turned off"}));

    pause->setCurrentIndex(1);
    emit pause->activated(1);
    ASSERT_TRUE(env->doNotDisturb().until);
    const QString until = QDateTime::fromSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::seconds>(env->doNotDisturb().until->time_since_epoch()).count())
                              .toString("HH:mm");
    EXPECT_EQ(pause->currentText(), "Until " + until);
    EXPECT_EQ(group->doNotDisturbText(), "Notifications are paused until " + until + ".");
    EXPECT_EQ(state->accessibleName(), state->text());
    // Over: as if it had been turned off (a pause that ended a moment ago).
    env->startDoNotDisturb(std::chrono::minutes(0));
    EXPECT_EQ(pause->currentText(), "Off");
    EXPECT_EQ(group->doNotDisturbText(), "");
    env->startDoNotDisturb(std::nullopt);
    EXPECT_EQ(pause->currentText(), "Until turned off");
    EXPECT_EQ(group->doNotDisturbText(), "Notifications are paused until you turn it off.");
    pause->setCurrentIndex(0);
    emit pause->activated(0);
    EXPECT_FALSE(env->doNotDisturb().holds(Clock::now()));

    EXPECT_TRUE(ui::qs(text::join(env->settingsProblems(), " ")).contains("silenceThreshold"));
    EXPECT_EQ(control<QSpinBox>(view, "silenceThreshold")->value(), 30);
    bool named = false;
    for (auto* label : group->findChildren<QLabel*>())
        named = named || (label->isVisibleTo(&view) && label->text().contains("\"silenceThreshold\" is not a number"));
    EXPECT_TRUE(named) << "the stored value's problem is shown in the group";
    EXPECT_EQ(unnamedControls(group), std::vector<std::string>{});

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(group->title(), "Stările pane-urilor");
    EXPECT_EQ(control<QCheckBox>(view, "notify.waitingForInput")->text(), "Așteaptă input");
    EXPECT_EQ(control<QCheckBox>(view, "notify.exitedWithError")->accessibleName(), "Notificare: Ieșit cu eroare");
    EXPECT_EQ(pause->itemText(4), "Până îl opresc");
    env->setLanguage(AppLanguage::en);
    for (QWidget* w : std::initializer_list<QWidget*>{control<QSpinBox>(view, "silenceThreshold"), pause,
                                                      control<QCheckBox>(view, "notify.bell")})
        EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << w->objectName().toStdString();
}

TEST_F(SettingsViewTest, LabelsFollowTheLanguageAndSayWhenTmuxIsMissing) {
    tmuxPath.reset();
    startStores();
    SettingsView view(*context);
    EXPECT_EQ(control<QLabel>(view, "binary")->text(), "not found");
    EXPECT_EQ(control<QLabel>(view, "version")->text(), "—");
    auto* appearance = control<QComboBox>(view, "appearance");
    EXPECT_EQ((QStringList{appearance->itemText(0), appearance->itemText(1), appearance->itemText(2)}),
              (QStringList{"Sistem", "Luminos", "Dark"}));
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(control<QLabel>(view, "binary")->text(), "negăsit");
    EXPECT_EQ(appearance->itemText(2), "Întunecat");
    auto* tabs = view.findChild<QTabWidget*>();
    EXPECT_EQ((QStringList{tabs->tabText(3), tabs->tabText(4)}), (QStringList{"Gazde", "Despre"}));
}

}  // namespace
}  // namespace quillon::testing
