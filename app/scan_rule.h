#pragma once
// A user rule: when a scanner event of a chosen kind whose message contains a chosen text
// arrives, notify, send keys into the session, or run a shell command. Pane triggers come
// from the panes' states instead: a pane of a session whose name contains the chosen text
// waits for input, finishes its program, rings a bell, has been quiet for a number of
// seconds, or prints a new line that matches a pattern (read as the pane search reads it);
// their keys go to that pane.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/scan_event.h"
#include "core/tmux_model.h"

namespace quillon {

enum class ScanRuleTrigger {
    any,
    sessionAdded,
    sessionRemoved,
    windowAdded,
    windowRemoved,
    paneChanged,
    paneWaiting,
    paneFinished,
    paneBell,
    paneQuiet,
    outputMatches,
};
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
// Fired by panes' states and output rather than by scanner events.
bool isPaneTrigger(ScanRuleTrigger trigger);

struct ScanRule {
    std::string id = makeUuid();
    bool enabled = true;
    std::string name;
    ScanRuleTrigger trigger = ScanRuleTrigger::any;
    std::string match;  // empty: no filter
    ScanRuleActionKind actionKind = ScanRuleActionKind::notify;
    std::string actionValue;  // keys or shell command; unused by notify
    double cooldownSeconds = 0;
    double quietSeconds = 30;    // paneQuiet: seconds without output after some
    std::string pattern;         // outputMatches
    bool patternIsRegex = false;

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

// The stored form: an array of objects with every key required; "quietSeconds" for a quiet
// trigger and "pattern" and "regex" for an output trigger are stored and required with them only.
nlohmann::json encodeScanRules(const std::vector<ScanRule>& rules);
// Nothing when any element lacks a key, has a wrong type, an unknown raw value or a bad id.
std::optional<std::vector<ScanRule>> decodeScanRules(const nlohmann::json& value);

}  // namespace quillon
