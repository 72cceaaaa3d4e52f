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
                 {T::paneChanged, "paneChanged", "Pane command changed", "Comandă pane schimbată"}});
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
        "idleThresholdHours": 48.0, "autoCommandsEnabled": true, "language": "en", "appearance": "dark"})");
    const AppSettings stored = load(good);
    forEachBrokenKey(good,
                     {{"socketMode", {"Name"}}, {"scannerMode", {"ControlMode"}}, {"language", {"fr"}},
                      {"appearance", {"Dark"}}, {"preferredTerminal", {"iterm", "Ghostty"}}},
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
        EXPECT_EQ(readFile(aside.front()), document);
        EXPECT_NO_THROW(json::parse(readFile(store().path()))) << document;
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
