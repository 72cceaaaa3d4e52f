// What the app keeps in the defaults document: every enumeration's stored text and label,
// the decoders of settings, rules and templates against a good document broken key by key,
// and the three stores keeping aside what they cannot read and reporting failed saves.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "app/scan_rule.h"
#include "app/session_template.h"
#include "app/settings.h"
#include "core/l10n.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

// The copies a defaults document was kept aside as (<file>.corrupt-<time>).
std::vector<std::filesystem::path> keptAside(const std::filesystem::path& document) {
    std::vector<std::filesystem::path> found;
    if (!std::filesystem::exists(document.parent_path())) return found;
    for (const auto& entry : std::filesystem::directory_iterator(document.parent_path()))
        if (text::contains(entry.path().filename().string(), ".corrupt-")) found.push_back(entry.path());
    return found;
}

template <class Enum> struct Texts {
    Enum value;
    const char* stored;
    const char* en = nullptr;  // the label, when the enum has one here
    const char* ro = nullptr;
};

// The cases come in declaration order, each stored as its text (read back exactly, case
// included) and labelled in both languages.
template <class Enum, class FromRaw, class Label>
void expectTexts(const std::vector<Enum>& all, FromRaw fromRaw, Label label, const std::vector<Texts<Enum>>& table) {
    ASSERT_EQ(all.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& row = table[i];
        EXPECT_EQ(all[i], row.value) << row.stored;
        EXPECT_EQ(toRaw(row.value), row.stored);
        EXPECT_EQ(fromRaw(row.stored), row.value) << row.stored;
        std::string other(row.stored);
        other[0] = char(std::isupper(other[0]) ? std::tolower(other[0]) : std::toupper(other[0]));
        EXPECT_EQ(fromRaw(other), std::nullopt) << other;
        if (!row.en) continue;
        L10n::setLanguage(AppLanguage::en);
        EXPECT_EQ(label(row.value), row.en);
        L10n::setLanguage(AppLanguage::ro);
        EXPECT_EQ(label(row.value), row.ro);
    }
    L10n::setLanguage(AppLanguage::en);
}

TEST(StoredTexts, EveryEnumerationRoundTripsWithItsLabels) {
    const auto labelled = [](auto value) { return std::string(label(value)); };
    using M = TmuxSocketMode;
    expectTexts(allTmuxSocketModes(), tmuxSocketModeFromRaw, labelled,
                {{M::default_, "default", "Default", "Implicit"}, {M::name, "name", "Name (-L)", "Nume (-L)"},
                 {M::path, "path", "Path (-S)", "Cale (-S)"}});
    using S = ScannerMode;
    expectTexts(allScannerModes(), scannerModeFromRaw, labelled,
                {{S::polling, "polling", "Polling (interval)", "Polling (interval)"},
                 {S::controlMode, "controlMode", "Control mode (push)", "Control mode (push)"}});
    using A = AppAppearance;
    expectTexts(allAppAppearances(), appAppearanceFromRaw, [](AppAppearance) { return std::string(); },
                {{A::system, "system"}, {A::light, "light"}, {A::dark, "dark"}});
    using T = ScanRuleTrigger;
    expectTexts(allScanRuleTriggers(), scanRuleTriggerFromRaw, labelled,
                {{T::any, "any", "Any event", "Orice eveniment"},
                 {T::sessionAdded, "sessionAdded", "Session opened", "Sesiune nouă"},
                 {T::sessionRemoved, "sessionRemoved", "Session closed", "Sesiune închisă"},
                 {T::windowAdded, "windowAdded", "Window opened", "Fereastră nouă"},
                 {T::windowRemoved, "windowRemoved", "Window closed", "Fereastră închisă"},
                 {T::paneChanged, "paneChanged", "Pane command changed", "Comandă pane schimbată"},
                 {T::paneWaiting, "paneWaiting", "Waiting for input", "Așteaptă input"},
                 {T::paneFinished, "paneFinished", "Finished", "Terminat"},
                 {T::paneBell, "paneBell", "Bell", "Clopoțel"},
                 {T::paneQuiet, "paneQuiet", "Quiet for N s", "Liniștit de N s"},
                 {T::outputMatches, "outputMatches", "Output matches", "Output potrivit"}});
    using N = NoticeKind;
    expectTexts(allNoticeKinds(), noticeKindFromRaw, labelled,
                {{N::waitingForInput, "waitingForInput", "Waiting for input", "Așteaptă input"},
                 {N::finished, "finished", "Finished", "Terminat"},
                 {N::bell, "bell", "Bell", "Clopoțel"},
                 {N::quiet, "quiet", "Quiet", "Liniștit"},
                 {N::exitedWithError, "exitedWithError", "Exited with an error", "Ieșit cu eroare"}});
    using K = ScanRuleActionKind;
    expectTexts(allScanRuleActionKinds(), scanRuleActionKindFromRaw, [](K k) { return displayText(k); },
                {{K::notify, "notify", "Notification", "Notificare"},
                 {K::sendKeys, "sendKeys", "Send keys to session", "Trimite taste în sesiune"},
                 {K::runShell, "runShell", "Run shell command", "Rulează comandă shell"}});
}

// Calls visit(where, broken, missing) for every key of every object in a good document,
// broken as: of another type, or one of the out-of-range values given for its name; missing
// is the same document without that key.
template <class Visit>
void forEachBrokenKey(const json& good, const std::map<std::string, std::vector<json>>& outOfRange, Visit visit) {
    std::set<std::string> seen;
    const json leaves = good.flatten();
    for (const auto& [flat, value] : leaves.items()) {
        for (auto key = json::json_pointer(flat); !key.empty(); key = key.parent_pointer()) {
            if (!good[key.parent_pointer()].is_object() || !seen.insert(key.to_string()).second) continue;
            json missing = good;
            missing[key.parent_pointer()].erase(key.back());
            std::vector<json> wrong{good[key].is_string() ? json(5) : json("5")};
            if (auto more = outOfRange.find(key.back()); more != outOfRange.end())
                wrong.insert(wrong.end(), more->second.begin(), more->second.end());
            for (const json& bad : wrong) {
                json broken = good;
                broken[key] = bad;
                visit(key.to_string() + " = " + bad.dump(), broken, missing);
            }
        }
    }
}

TEST(StoredRules, DecodeOnlyWithEveryKeyOfItsTypeAndKnownValues) {
    const ScanRule rule{.name = "r", .trigger = ScanRuleTrigger::paneChanged};
    const json good = encodeScanRules({rule});
    ASSERT_EQ(decodeScanRules(good), std::vector<ScanRule>{rule});
    forEachBrokenKey(good, {{"id", {"not-a-uuid"}}, {"trigger", {"Any"}}, {"actionKind", {"Notify"}}},
                     [](const std::string& where, const json& broken, const json& missing) {
                         EXPECT_FALSE(decodeScanRules(broken)) << where;
                         EXPECT_FALSE(decodeScanRules(missing)) << where;
                     });
    EXPECT_FALSE(decodeScanRules(json::object()));
    EXPECT_EQ(decodeScanRules(json::array()), std::vector<ScanRule>{});
    // JSON has no NaN or infinity: stored as none and as the longest cooldown, the list still reads.
    const json extremes = json::parse(encodeScanRules({{.cooldownSeconds = NAN}, {.cooldownSeconds = HUGE_VAL}}).dump());
    EXPECT_EQ(extremes[0]["cooldownSeconds"], 0.0);
    EXPECT_EQ(extremes[1]["cooldownSeconds"], std::numeric_limits<double>::max());
    EXPECT_TRUE(decodeScanRules(extremes));
}

// Rules stored before the pane triggers read as they did; a quiet trigger keeps its seconds and
// an output trigger its pattern, each required with its trigger only.
TEST(StoredRules, PaneTriggersKeepTheirFieldsAndOlderRulesReadUnchanged) {
    const json older = json::parse(R"([{"id": "6f9619ff-8b86-d011-b42d-00c04fc964ff", "enabled": true, "name": "old",
        "trigger": "sessionAdded", "match": "dev", "actionKind": "notify", "actionValue": "", "cooldownSeconds": 5}])");
    const ScanRule old{.id = "6f9619ff-8b86-d011-b42d-00c04fc964ff", .name = "old", .trigger = ScanRuleTrigger::sessionAdded,
                       .match = "dev", .cooldownSeconds = 5};
    ASSERT_EQ(decodeScanRules(older), std::vector<ScanRule>{old});
    EXPECT_EQ(encodeScanRules({old}), older) << "written back in the same form";
    const ScanRule quiet{.name = "q", .trigger = ScanRuleTrigger::paneQuiet, .quietSeconds = 12};
    const ScanRule output{.name = "o", .trigger = ScanRuleTrigger::outputMatches, .pattern = "error|failed",
                          .patternIsRegex = true};
    for (const ScanRule& rule : {quiet, output}) {
        const json good = encodeScanRules({rule});
        ASSERT_EQ(decodeScanRules(good), std::vector<ScanRule>{rule}) << good.dump();
        forEachBrokenKey(good, {{"trigger", {"PaneQuiet"}}}, [](const std::string& where, const json& broken, const json& missing) {
            EXPECT_FALSE(decodeScanRules(broken)) << where;
            EXPECT_FALSE(decodeScanRules(missing)) << where;
        });
    }
    EXPECT_EQ(encodeScanRules({quiet})[0]["quietSeconds"], 12.0);
    EXPECT_EQ(encodeScanRules({output})[0]["pattern"], "error|failed");
}

TEST(StoredTemplates, DecodeOnlyWithEveryKeyOfItsTypeAndRealIds) {
    const SessionTemplate t{"6f9619ff-8b86-d011-b42d-00c04fc964ff", "a", "/x",
                            {{"7F9619FF-8B86-D011-B42D-00C04FC964FF", "w", "make"}}};
    const json good = toJson({t});
    EXPECT_EQ(good, json::parse(R"([{"id": "6f9619ff-8b86-d011-b42d-00c04fc964ff", "name": "a", "directory": "/x",
        "windows": [{"id": "7F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "w", "command": "make"}]}])"));
    ASSERT_EQ(templatesFromJson(good), std::vector<SessionTemplate>{t});
    forEachBrokenKey(good, {{"id", {"6f9619ff-8b86-d011-b42d-00c04fc964f", "6f9619ff+8b86-d011-b42d-00c04fc964ff"}}},
                     [](const std::string& where, const json& broken, const json& missing) {
                         EXPECT_ANY_THROW(templatesFromJson(broken)) << where;
                         EXPECT_ANY_THROW(templatesFromJson(missing)) << where;
                     });
    EXPECT_ANY_THROW(templatesFromJson(json::parse(R"({"templates": []})")));
}

class StoresTest : public AppFixture {
protected:
    AppSettings load(const json& document) {
        std::filesystem::create_directories(store().path().parent_path());
        writeFile(store().path(), document.dump());
        return AppSettings::load(store(), {TerminalApp::terminal, TerminalApp::wezterm});
    }
};

// Writing each setting is the Settings window's test; here, reading a good document back.
TEST_F(StoresTest, ABrokenSettingReadsAsIfItWereMissing) {
    const json good = json::parse(R"({"preferredTerminal": "WezTerm", "pollingInterval": 7.0, "socketMode": "path",
        "socketValue": "~/sock", "scannerInterval": 2.5, "scannerMode": "controlMode", "notifyOnClose": true,
        "idleThresholdHours": 48.0, "autoCommandsEnabled": true, "language": "en", "appearance": "dark",
        "silenceThreshold": 120.0, "doNotDisturbUntil": 1765191000,
        "paneNotifications": {"waitingForInput": false, "finished": false, "bell": false, "quiet": true,
                              "exitedWithError": false}})");
    const AppSettings stored = load(good);
    forEachBrokenKey(good,
                     {{"socketMode", {"Name"}}, {"scannerMode", {"ControlMode"}}, {"language", {"fr"}},
                      {"appearance", {"Dark"}}, {"preferredTerminal", {"iterm", "Ghostty"}},
                      {"silenceThreshold", {0, 4.9, 3601, -30}}, {"doNotDisturbUntil", {"always", -1, 1e300}}},
                     [&](const std::string& where, const json& broken, const json& missing) {
                         const AppSettings withoutKey = load(missing);
                         EXPECT_NE(withoutKey, stored) << where;
                         EXPECT_EQ(load(broken), withoutKey) << where;
                     });
    EXPECT_EQ(load(json::object()), AppSettings{});
    // A terminal that is not installed reads as the first one that is, else Terminal.
    EXPECT_EQ(resolveTerminal(TerminalApp::iterm, {TerminalApp::wezterm, TerminalApp::alacritty}), TerminalApp::wezterm);
    EXPECT_EQ(resolveTerminal(TerminalApp::iterm, {}), TerminalApp::terminal);
    EXPECT_EQ(offeredTerminals({}), std::vector{TerminalApp::terminal});
}

// The pane-state settings came later: a document from before reads as it did, and a value of
// the wrong shape is named in a sentence while the document keeps it until the user sets it.
TEST_F(StoresTest, PaneStateSettingsReadOlderDocumentsUnchangedAndNameWhatIsWrong) {
    const std::string older = R"({"language": "en", "notifyOnClose": true, "pollingInterval": 7.0})";
    std::filesystem::create_directories(store().path().parent_path());
    writeFile(store().path(), older);
    {
        AppEnvironment environment(AppEnvironment::Options{store(), std::nullopt, services});
        EXPECT_EQ(environment.settingsProblems(), std::vector<std::string>{});
        EXPECT_EQ(environment.silenceThreshold(), 30.0);
        EXPECT_EQ(environment.settings().attentionThresholds().silence, std::chrono::seconds(30));
        EXPECT_EQ(environment.paneNotifications(), NoticeSwitches{});
        EXPECT_FALSE(environment.doNotDisturb().holds(Clock::now()));
        EXPECT_TRUE(environment.notifyOnClose());
        EXPECT_EQ(readWhole(store().path()), older) << "reading writes nothing";
    }

    const std::string broken = R"({"language": "en", "silenceThreshold": "a minute", "doNotDisturbUntil": "tomorrow",
        "paneNotifications": {"waitingForInput": false, "bell": "yes", "sunrise": true}})";
    writeFile(store().path(), broken);
    AppEnvironment environment(AppEnvironment::Options{store(), std::nullopt, services});
    EXPECT_EQ(environment.settingsProblems(),
              (std::vector<std::string>{
                  "The setting \"silenceThreshold\" is not a number of seconds from 5 to 3600; 30 is used.",
                  "The setting \"paneNotifications.bell\" is not a switch (state: true/false); the default is used.",
                  "The setting \"paneNotifications.sunrise\" is not a switch (state: true/false); the default is used.",
                  "The setting \"doNotDisturbUntil\" is neither a time nor \"untilTurnedOff\"; Do not disturb is off."}));
    NoticeSwitches expected;
    expected.set(NoticeKind::waitingForInput, false);
    EXPECT_EQ(environment.paneNotifications(), expected) << "the good switch is kept";
    EXPECT_EQ(environment.silenceThreshold(), 30.0);
    // A refused threshold is said and changes nothing; another setting's write keeps the bad values.
    environment.setSilenceThreshold(2);
    EXPECT_EQ(environment.lastError(), "The silence threshold is from 5 to 3600 seconds.");
    environment.setSilenceThreshold(NAN);
    EXPECT_EQ(environment.silenceThreshold(), 30.0);
    environment.setPollingInterval(9);
    environment.saveSettingsNow();
    ASSERT_TRUE(waitUntil([&] { return environment.settingsSaved(); }));
    EXPECT_EQ(store().value("silenceThreshold"), json("a minute"));
    EXPECT_EQ(store().value("doNotDisturbUntil"), json("tomorrow"));
    environment.setSilenceThreshold(45);
    environment.saveSettingsNow();
    ASSERT_TRUE(waitUntil([&] { return environment.settingsSaved(); }));
    EXPECT_EQ(store().value("silenceThreshold"), json(45.0));
    EXPECT_EQ(environment.settings().attentionThresholds().silence, std::chrono::seconds(45));
}

// "Do not disturb" holds for the length chosen from the moment it was chosen, or until turned
// off, and reads back the same after a restart.
TEST_F(StoresTest, DoNotDisturbHoldsForItsLengthOrUntilTurnedOffAcrossARestart) {
    using namespace std::chrono;
    const TimePoint at = TimePoint(seconds(1'765'191'000));
    const struct {
        std::optional<minutes> length;
        json stored;
        TimePoint lastHeld, firstFree;
    } cases[] = {
        {minutes(30), 1'765'192'800, at + minutes(30) - seconds(1), at + minutes(30)},
        {minutes(60), 1'765'194'600, at + minutes(60) - seconds(1), at + minutes(60)},
        {minutes(240), 1'765'205'400, at + hours(4) - seconds(1), at + hours(4)},
        {std::nullopt, "untilTurnedOff", at + hours(24 * 3650), TimePoint::max()},
    };
    for (const auto& c : cases) {
        {
            AppEnvironment environment(AppEnvironment::Options{store(), std::nullopt, services});
            environment.startDoNotDisturb(c.length, at);
            environment.saveSettingsNow();
            ASSERT_TRUE(waitUntil([&] { return environment.settingsSaved(); }));
        }
        EXPECT_EQ(store().value("doNotDisturbUntil"), c.stored);
        AppEnvironment environment(AppEnvironment::Options{store(), std::nullopt, services});
        const DoNotDisturb& pause = environment.doNotDisturb();
        EXPECT_TRUE(pause.holds(at)) << c.stored;
        EXPECT_TRUE(pause.holds(c.lastHeld)) << c.stored;
        if (c.length) EXPECT_FALSE(pause.holds(c.firstFree)) << c.stored;
        environment.turnOffDoNotDisturb();
        EXPECT_FALSE(environment.doNotDisturb().holds(at));
        environment.saveSettingsNow();
        ASSERT_TRUE(waitUntil([&] { return environment.settingsSaved(); }));
        EXPECT_EQ(store().value("doNotDisturbUntil"), json(nullptr));
    }
}

TEST(StoredNumbers, AreBoundedWhereTheyAreUsed) {
    using namespace std::chrono;
    const double nan = NAN;
    const struct {
        double stored;
        milliseconds polling, scanning, controlScanning;
        double idleHours;
    } cases[] = {{0.2, 1s, 500ms, 5s, 0.2}, {7, 7s, 7s, 7s, 7}, {1e300, hours(24), hours(24), hours(24), 1e300},
                 {-5, 1s, 500ms, 5s, 24}, {0, 1s, 500ms, 5s, 24}, {nan, 1s, 500ms, 5s, 24}};
    for (const auto& c : cases) {
        AppSettings s;
        s.pollingInterval = s.scannerInterval = s.idleThresholdHours = c.stored;
        EXPECT_EQ(s.pollingPeriod(), c.polling) << c.stored;
        EXPECT_EQ(s.scannerPeriod(), c.scanning) << c.stored;
        EXPECT_DOUBLE_EQ(s.idleLimit().count(), c.idleHours * 3600) << c.stored;
        s.scannerMode = ScannerMode::controlMode;
        EXPECT_EQ(s.scannerPeriod(), c.controlScanning) << c.stored;
    }
}

TEST_F(StoresTest, WhatAStoreCannotReadIsKeptAsideOnceBeforeItIsReplaced) {
    AppEnvironment environment(AppEnvironment::Options{store(), std::nullopt, services});  // reads, never writes
    double polling = 8;
    const std::pair<std::string, std::function<void()>> cases[] = {
        {R"({"language": "ro", broken)",
         [&] {
             environment.setPollingInterval(++polling);
             environment.saveSettingsNow();
             ASSERT_TRUE(waitUntil([&] { return environment.settingsSaved(); }));
         }},
        {R"({"scanRules": [{"id": "not-a-uuid", "name": "mine"}]})",
         [&] { RuleStore(store(), environment, desktop).upsert(ScanRule{}); }},
        {R"({"sessionTemplates": [{"id": "6F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "no directory", "windows": []}]})",
         [&] { EXPECT_FALSE(TemplateStore(store()).templates().empty()); }},
    };
    for (const auto& [document, write] : cases) {
        std::filesystem::remove_all(store().path().parent_path());
        std::filesystem::create_directories(store().path().parent_path());
        writeFile(store().path(), document);
        write();
        write();  // what the first write stored reads back: no second copy
        const auto aside = keptAside(store().path());
        ASSERT_EQ(aside.size(), 1u) << document;
        EXPECT_EQ(readWhole(aside.front()), document);
        EXPECT_NO_THROW(json::parse(readWhole(store().path()))) << document;
    }
}

TEST_F(StoresTest, AFailedSaveOfAnyStoreReachesLastErrorAndNothingIsLost) {
    tmuxPath.reset();
    startStores();
    // A document below a directory that exists but cannot be read (EISDIR) is never replaced.
    std::filesystem::remove(store().path());
    std::filesystem::create_directories(store().path() / "in the way");
    const std::string cannot = "Cannot read " + store().path().string();
    const std::pair<std::string, std::function<void()>> cases[] = {
        {"Could not save the settings: ",
         [&] {
             env->setPollingInterval(9);
             env->saveSettingsNow();
             ASSERT_TRUE(waitUntil([&] { return env->settingsSaved(); }));
         }},
        {"Could not save the rules: ", [&] { rules->upsert(ScanRule{}); }},
        {"Could not save the templates: ", [&] { TemplateStore seeding(store(), *env); }},
    };
    for (const auto& [prefix, save] : cases) {
        env->reportFailure("");
        save();
        EXPECT_TRUE(text::startsWith(env->lastError().value_or(""), prefix + cannot)) << env->lastError().value_or("");
    }
    EXPECT_EQ(env->pollingInterval(), 9);
    EXPECT_EQ(rules->rules().size(), 1u) << "kept in memory";
    EXPECT_TRUE(std::filesystem::is_directory(store().path() / "in the way"));
}

}  // namespace
}  // namespace quillon::testing
