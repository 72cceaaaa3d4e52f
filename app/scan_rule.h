#pragma once
// A user rule: when a scanner event of a chosen kind whose message contains a chosen text
// arrives, notify, send keys into the session, or run a shell command.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/scan_event.h"
#include "core/tmux_model.h"

namespace quillon {

enum class ScanRuleTrigger { any, sessionAdded, sessionRemoved, windowAdded, windowRemoved, paneChanged };
enum class ScanRuleActionKind { notify, sendKeys, runShell };

std::string_view toRaw(ScanRuleTrigger trigger);
std::string_view toRaw(ScanRuleActionKind kind);
std::optional<ScanRuleTrigger> scanRuleTriggerFromRaw(std::string_view raw);
std::optional<ScanRuleActionKind> scanRuleActionKindFromRaw(std::string_view raw);
const std::vector<ScanRuleTrigger>& allScanRuleTriggers();
const std::vector<ScanRuleActionKind>& allScanRuleActionKinds();
std::string label(ScanRuleTrigger trigger);
std::string displayText(ScanRuleActionKind kind);
// `any` takes every kind but info and error; renames are matched by `any` alone.
bool matches(ScanRuleTrigger trigger, ScanEvent::Kind kind);

struct ScanRule {
    std::string id = makeUuid();
    bool enabled = true;
    std::string name;
    ScanRuleTrigger trigger = ScanRuleTrigger::any;
    std::string match;  // empty: no filter
    ScanRuleActionKind actionKind = ScanRuleActionKind::notify;
    std::string actionValue;  // keys or shell command; unused by notify
    double cooldownSeconds = 0;

    bool operator==(const ScanRule&) const = default;
};

// One firing, kept in memory only.
struct RuleExecution {
    std::string id = makeUuid();
    TimePoint timestamp = Clock::now();
    std::string ruleName;
    std::string message;
    std::string action;  // the action's display text when it fired

    bool operator==(const RuleExecution&) const = default;
};

// The stored form: an array of objects with every key required.
nlohmann::json encodeScanRules(const std::vector<ScanRule>& rules);
// Nothing when any element lacks a key, has a wrong type, an unknown raw value or a bad id.
std::optional<std::vector<ScanRule>> decodeScanRules(const nlohmann::json& value);

}  // namespace quillon
