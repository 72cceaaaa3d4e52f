#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <filesystem>
#include <string>
#include <vector>

#include "app/rule_store.h"
#include "app/template_store.h"
#include "core/text.h"
#include "tests/app/scanner_test_support.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Kind = ScanEvent::Kind;
using testing::readFile;
using testing::waitUntil;
using testing::zombieChildren;

ScanRule rule(std::string name, ScanRuleTrigger trigger, ScanRuleActionKind action = ScanRuleActionKind::notify,
              std::string value = {}, std::string match = {}, double cooldown = 0) {
    ScanRule r;
    r.name = std::move(name);
    r.trigger = trigger;
    r.actionKind = action;
    r.actionValue = std::move(value);
    r.match = std::move(match);
    r.cooldownSeconds = cooldown;
    return r;
}

class RuleStoreTest : public testing::ScannerFixture {
protected:
    void SetUp() override {
        ScannerFixture::SetUp();
        env = environment();
        env->setAutoCommandsEnabled(true);
    }
    std::unique_ptr<RuleStore> rules() { return std::make_unique<RuleStore>(store(), *env, notifier); }

    std::unique_ptr<AppEnvironment> env;
};

TEST_F(RuleStoreTest, RulesPersistUnderTheirKeyInUserOrder) {
    auto first = rule("first", ScanRuleTrigger::sessionAdded, ScanRuleActionKind::runShell, "echo hi", "work", 30);
    auto second = rule("second", ScanRuleTrigger::any);
    {
        auto store = rules();
        EXPECT_TRUE(store->rules().empty());
        store->upsert(first);
        store->upsert(second);
        first.name = "first, edited";
        store->upsert(first);  // same id: replaced in place
    }
    const auto stored = store().value(RuleStore::key).value();
    ASSERT_TRUE(stored.is_array());
    EXPECT_EQ(stored[0]["name"], "first, edited");
    EXPECT_EQ(stored[0]["trigger"], "sessionAdded");
    EXPECT_EQ(stored[0]["actionKind"], "runShell");
    EXPECT_EQ(stored[0]["cooldownSeconds"], 30.0);
    EXPECT_EQ(stored[0]["id"], first.id);

    auto reloaded = rules();
    EXPECT_EQ(reloaded->rules(), (std::vector<ScanRule>{first, second}));
    reloaded->remove(first);
    EXPECT_EQ(rules()->rules(), std::vector<ScanRule>{second});
}

TEST_F(RuleStoreTest, UndecodableRulesAreKeptAsideBeforeTheyAreReplaced) {
    const nlohmann::json bad = nlohmann::json::array({{{"id", "not-a-uuid"}, {"name", "lost?"}}});
    store().set(RuleStore::key, bad);
    auto rulesStore = rules();
    EXPECT_TRUE(rulesStore->rules().empty());
    EXPECT_EQ(store().value(RuleStore::key), bad);  // loading alone changes nothing

    rulesStore->upsert(rule("new", ScanRuleTrigger::any));
    std::vector<std::filesystem::path> copies;
    for (const auto& entry : std::filesystem::directory_iterator(store().path().parent_path()))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos) copies.push_back(entry.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(readFile(copies[0]))[std::string(RuleStore::key)], bad);
    EXPECT_EQ(rules()->rules().size(), 1u);

    rulesStore->upsert(rule("another", ScanRuleTrigger::any));  // only the first save keeps a copy
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(store().path().parent_path()))
        count += entry.path().filename().string().find(".corrupt-") != std::string::npos;
    EXPECT_EQ(count, 1);
}

TEST_F(RuleStoreTest, ANonFiniteCooldownNeverReachesTheDocument) {
    rules()->upsert(rule("nan", ScanRuleTrigger::any, ScanRuleActionKind::notify, {}, {}, std::nan("")));
    rules()->upsert(rule("forever", ScanRuleTrigger::any, ScanRuleActionKind::notify, {}, {}, HUGE_VAL));
    const auto stored = store().value(RuleStore::key).value();
    EXPECT_EQ(stored[0]["cooldownSeconds"], 0.0);
    EXPECT_EQ(stored[1]["cooldownSeconds"], std::numeric_limits<double>::max());
    EXPECT_EQ(rules()->rules().size(), 2u);
}

TEST_F(RuleStoreTest, FailedSavesOfRulesAndTemplatesReachLastError) {
    // A document below a regular file can never be written.
    testing::writeFile(home.path() / "blocker", "");
    const DefaultsStore unwritable(home.path() / "blocker" / "org.quillon.Quillon.json");
    RuleStore rulesStore(unwritable, *env, notifier);
    rulesStore.upsert(rule("kept in memory", ScanRuleTrigger::any));
    ASSERT_TRUE(env->lastError());
    EXPECT_TRUE(text::startsWith(*env->lastError(), "Could not save the rules: ")) << *env->lastError();
    EXPECT_EQ(rulesStore.rules().size(), 1u);
    TemplateStore templates(unwritable, *env);  // seeding saves
    ASSERT_TRUE(env->lastError());
    EXPECT_TRUE(text::startsWith(*env->lastError(), "Could not save the templates: ")) << *env->lastError();
}

TEST_F(RuleStoreTest, DecodingNeedsEveryKeyWithItsType) {
    const auto good = encodeScanRules({rule("r", ScanRuleTrigger::paneChanged)});
    ASSERT_TRUE(decodeScanRules(good));
    for (const char* key : {"id", "enabled", "name", "trigger", "match", "actionKind", "actionValue", "cooldownSeconds"}) {
        auto missing = good;
        missing[0].erase(key);
        EXPECT_FALSE(decodeScanRules(missing)) << key;
        auto mistyped = good;
        mistyped[0][key] = nlohmann::json::array();
        EXPECT_FALSE(decodeScanRules(mistyped)) << key;
    }
    auto unknownTrigger = good;
    unknownTrigger[0]["trigger"] = "Any";
    EXPECT_FALSE(decodeScanRules(unknownTrigger));
    EXPECT_FALSE(decodeScanRules(nlohmann::json::object()));
    EXPECT_EQ(decodeScanRules(nlohmann::json::array())->size(), 0u);
}

TEST_F(RuleStoreTest, TriggersMatchTheirKindsAndTextIgnoresCase) {
    auto store = rules();
    store->upsert(rule("any", ScanRuleTrigger::any));
    store->upsert(rule("opened", ScanRuleTrigger::sessionAdded));
    store->upsert(rule("build", ScanRuleTrigger::any, ScanRuleActionKind::notify, {}, "BUILD"));
    store->upsert(rule("ștefan", ScanRuleTrigger::any, ScanRuleActionKind::notify, {}, "ȘTEFAN"));
    auto disabled = rule("off", ScanRuleTrigger::any);
    disabled.enabled = false;
    store->upsert(disabled);

    store->evaluate(ScanEvent::make(Kind::info, "Scanner started"));
    store->evaluate(ScanEvent::make(Kind::error, "no build"));
    EXPECT_TRUE(notifier.posts.empty());

    store->evaluate(ScanEvent::make(Kind::sessionRenamed, "Renamed: build → ștefan"));
    store->evaluate(ScanEvent::make(Kind::sessionAdded, "Session opened: x (1 windows)"));
    EXPECT_EQ(notifier.posts, (std::vector<std::pair<std::string, std::string>>{
                                  {"Rule: any", "Renamed: build → ștefan"},
                                  {"Rule: build", "Renamed: build → ștefan"},
                                  {"Rule: ștefan", "Renamed: build → ștefan"},
                                  {"Rule: any", "Session opened: x (1 windows)"},
                                  {"Rule: opened", "Session opened: x (1 windows)"},
                              }));
    ASSERT_EQ(store->executions().size(), 5u);
    EXPECT_EQ(store->executions().front().ruleName, "any");
    EXPECT_EQ(store->executions().front().action, "Notification");

    env->setAutoCommandsEnabled(false);
    store->evaluate(ScanEvent::make(Kind::sessionAdded, "Session opened: y (1 windows)"));
    EXPECT_EQ(notifier.posts.size(), 5u);
}

TEST_F(RuleStoreTest, CooldownSkipsFiringsWithoutLoggingThem) {
    auto store = rules();
    store->upsert(rule("slow", ScanRuleTrigger::windowAdded, ScanRuleActionKind::notify, {}, {}, 30));
    const auto t0 = Clock::now();
    const auto event = ScanEvent::make(Kind::windowAdded, "main: window opened 1:x");
    store->evaluate(event, t0);
    store->evaluate(event, t0 + 10s);
    store->evaluate(event, t0 + 29s);
    EXPECT_EQ(store->executions().size(), 1u);
    store->evaluate(event, t0 + 30s);
    store->evaluate(event, t0 + 45s);
    EXPECT_EQ(store->executions().size(), 2u);
    EXPECT_EQ(notifier.posts.size(), 2u);
}

TEST_F(RuleStoreTest, SendKeysNeedsATargetButStartsItsCooldownAnyway) {
    auto store = rules();
    const auto marker = home.path() / "sent";
    store->upsert(rule("keys", ScanRuleTrigger::any, ScanRuleActionKind::sendKeys, "echo sent > '" + marker.string() + "'",
                       {}, 30));
    const auto t0 = Clock::now();
    store->evaluate(ScanEvent::make(Kind::sessionAdded, "Session opened: main (1 windows)"), t0);
    EXPECT_TRUE(store->executions().empty());
    auto opened = ScanEvent::make(Kind::windowAdded, "Window opened: main:0 sh", "main:0 sh", "main:0");
    store->evaluate(opened, t0 + 1s);  // still cooling down
    EXPECT_TRUE(store->executions().empty());

    store->evaluate(opened, t0 + 31s);
    ASSERT_EQ(store->executions().size(), 1u);
    EXPECT_EQ(store->executions().back().action, "Send keys to session");
    EXPECT_TRUE(waitUntil([&] { return readFile(marker) == "sent\n"; }, 10s));
}

TEST_F(RuleStoreTest, ShellCommandsRunAndAreNeverLeftAsZombies) {
    auto store = rules();
    constexpr int count = 40;
    for (int i = 0; i < count; ++i) {
        const auto out = home.path() / ("shell-" + std::to_string(i));
        store->upsert(rule("sh" + std::to_string(i), ScanRuleTrigger::sessionRemoved, ScanRuleActionKind::runShell,
                           "printf '%s' \"$HOME\" > '" + out.string() + "'"));
    }
    store->upsert(rule("empty", ScanRuleTrigger::sessionRemoved, ScanRuleActionKind::runShell));
    store->evaluate(ScanEvent::make(Kind::sessionRemoved, "Session closed: x"));
    EXPECT_EQ(store->executions().size(), static_cast<std::size_t>(count + 1));
    EXPECT_EQ(store->executions().back().action, "Run shell command");

    EXPECT_TRUE(waitUntil(
        [&] {
            for (int i = 0; i < count; ++i)
                if (readFile(home.path() / ("shell-" + std::to_string(i))) != home.str()) return false;
            return true;
        },
        10s));
    EXPECT_TRUE(waitUntil([] { return zombieChildren() == 0; }, 2s));
}

TEST_F(RuleStoreTest, ExecutionLogKeepsTheLatestHundred) {
    auto store = rules();
    store->upsert(rule("every", ScanRuleTrigger::any));
    for (int i = 1; i <= 101; ++i) store->evaluate(ScanEvent::make(Kind::paneChanged, "change " + std::to_string(i)));
    ASSERT_EQ(store->executions().size(), RuleStore::maxExecutions);
    EXPECT_EQ(store->executions().front().message, "change 2");
    EXPECT_EQ(store->executions().back().message, "change 101");
    store->clearExecutions();
    EXPECT_TRUE(store->executions().empty());
}

}  // namespace
}  // namespace quillon
