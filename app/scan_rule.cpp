#include "app/scan_rule.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "core/l10n.h"
#include "core/raw_value.h"

namespace quillon {

namespace {

// Canonical 8-4-4-4-12 hexadecimal form, either letter case.
bool isUuid(std::string_view text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

std::optional<ScanRule> decodeRule(const nlohmann::json& object) {
    if (!object.is_object()) return std::nullopt;
    auto field = [&](const char* key) -> const nlohmann::json* {
        auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    };
    const auto* id = field("id");
    const auto* enabled = field("enabled");
    const auto* name = field("name");
    const auto* trigger = field("trigger");
    const auto* match = field("match");
    const auto* actionKind = field("actionKind");
    const auto* actionValue = field("actionValue");
    const auto* cooldown = field("cooldownSeconds");
    if (!id || !id->is_string() || !enabled || !enabled->is_boolean() || !name || !name->is_string() ||
        !trigger || !trigger->is_string() || !match || !match->is_string() || !actionKind ||
        !actionKind->is_string() || !actionValue || !actionValue->is_string() || !cooldown || !cooldown->is_number())
        return std::nullopt;

    const auto triggerValue = scanRuleTriggerFromRaw(trigger->get_ref<const std::string&>());
    const auto kindValue = scanRuleActionKindFromRaw(actionKind->get_ref<const std::string&>());
    const auto& idText = id->get_ref<const std::string&>();
    if (!triggerValue || !kindValue || !isUuid(idText)) return std::nullopt;

    ScanRule rule;
    rule.id = idText;
    rule.enabled = enabled->get<bool>();
    rule.name = name->get<std::string>();
    rule.trigger = *triggerValue;
    rule.match = match->get<std::string>();
    rule.actionKind = *kindValue;
    rule.actionValue = actionValue->get<std::string>();
    rule.cooldownSeconds = cooldown->get<double>();
    if (rule.trigger == ScanRuleTrigger::paneQuiet) {
        const auto* quiet = field("quietSeconds");
        if (!quiet || !quiet->is_number()) return std::nullopt;
        rule.quietSeconds = quiet->get<double>();
    }
    if (rule.trigger == ScanRuleTrigger::outputMatches) {
        const auto* pattern = field("pattern");
        const auto* regex = field("regex");
        if (!pattern || !pattern->is_string() || !regex || !regex->is_boolean()) return std::nullopt;
        rule.pattern = pattern->get<std::string>();
        rule.patternIsRegex = regex->get<bool>();
    }
    return rule;
}

// JSON has no NaN or infinity (they would be written as null, and the whole list would no
// longer decode): NaN acts as no cooldown, infinity as the longest one.
double storable(double cooldown) {
    if (std::isnan(cooldown)) return 0;
    return std::clamp(cooldown, std::numeric_limits<double>::lowest(), std::numeric_limits<double>::max());
}

}  // namespace

std::string_view toRaw(ScanRuleTrigger trigger) {
    switch (trigger) {
        case ScanRuleTrigger::any: return "any";
        case ScanRuleTrigger::sessionAdded: return "sessionAdded";
        case ScanRuleTrigger::sessionRemoved: return "sessionRemoved";
        case ScanRuleTrigger::windowAdded: return "windowAdded";
        case ScanRuleTrigger::windowRemoved: return "windowRemoved";
        case ScanRuleTrigger::paneChanged: return "paneChanged";
        case ScanRuleTrigger::paneWaiting: return "paneWaiting";
        case ScanRuleTrigger::paneFinished: return "paneFinished";
        case ScanRuleTrigger::paneBell: return "paneBell";
        case ScanRuleTrigger::paneQuiet: return "paneQuiet";
        case ScanRuleTrigger::outputMatches: return "outputMatches";
    }
    return "any";
}

std::string_view toRaw(ScanRuleActionKind kind) {
    switch (kind) {
        case ScanRuleActionKind::notify: return "notify";
        case ScanRuleActionKind::sendKeys: return "sendKeys";
        case ScanRuleActionKind::runShell: return "runShell";
    }
    return "notify";
}

const std::vector<ScanRuleTrigger>& allScanRuleTriggers() {
    static const std::vector<ScanRuleTrigger> cases = {
        ScanRuleTrigger::any,         ScanRuleTrigger::sessionAdded,  ScanRuleTrigger::sessionRemoved,
        ScanRuleTrigger::windowAdded, ScanRuleTrigger::windowRemoved, ScanRuleTrigger::paneChanged,
        ScanRuleTrigger::paneWaiting, ScanRuleTrigger::paneFinished,  ScanRuleTrigger::paneBell,
        ScanRuleTrigger::paneQuiet,   ScanRuleTrigger::outputMatches,
    };
    return cases;
}

const std::vector<ScanRuleActionKind>& allScanRuleActionKinds() {
    static const std::vector<ScanRuleActionKind> cases = {
        ScanRuleActionKind::notify, ScanRuleActionKind::sendKeys, ScanRuleActionKind::runShell};
    return cases;
}

std::optional<ScanRuleTrigger> scanRuleTriggerFromRaw(std::string_view raw) {
    return caseFromRaw(allScanRuleTriggers(), raw);
}

std::optional<ScanRuleActionKind> scanRuleActionKindFromRaw(std::string_view raw) {
    return caseFromRaw(allScanRuleActionKinds(), raw);
}

std::string label(ScanRuleTrigger trigger) {
    switch (trigger) {
        case ScanRuleTrigger::any: return L("Orice eveniment", "Any event");
        case ScanRuleTrigger::sessionAdded: return L("Sesiune nouă", "Session opened");
        case ScanRuleTrigger::sessionRemoved: return L("Sesiune închisă", "Session closed");
        case ScanRuleTrigger::windowAdded: return L("Fereastră nouă", "Window opened");
        case ScanRuleTrigger::windowRemoved: return L("Fereastră închisă", "Window closed");
        case ScanRuleTrigger::paneChanged: return L("Comandă pane schimbată", "Pane command changed");
        case ScanRuleTrigger::paneWaiting: return L("Așteaptă input", "Waiting for input");
        case ScanRuleTrigger::paneFinished: return L("Terminat", "Finished");
        case ScanRuleTrigger::paneBell: return L("Clopoțel", "Bell");
        case ScanRuleTrigger::paneQuiet: return L("Liniștit de N s", "Quiet for N s");
        case ScanRuleTrigger::outputMatches: return L("Output potrivit", "Output matches");
    }
    return {};
}

std::string displayText(ScanRuleActionKind kind) {
    switch (kind) {
        case ScanRuleActionKind::notify: return L("Notificare", "Notification");
        case ScanRuleActionKind::sendKeys: return L("Trimite taste în sesiune", "Send keys to session");
        case ScanRuleActionKind::runShell: return L("Rulează comandă shell", "Run shell command");
    }
    return {};
}

bool matches(ScanRuleTrigger trigger, ScanEvent::Kind kind) {
    using Kind = ScanEvent::Kind;
    switch (trigger) {
        case ScanRuleTrigger::any: return kind != Kind::info && kind != Kind::error;
        case ScanRuleTrigger::sessionAdded: return kind == Kind::sessionAdded;
        case ScanRuleTrigger::sessionRemoved: return kind == Kind::sessionRemoved;
        case ScanRuleTrigger::windowAdded: return kind == Kind::windowAdded;
        case ScanRuleTrigger::windowRemoved: return kind == Kind::windowRemoved;
        case ScanRuleTrigger::paneChanged: return kind == Kind::paneChanged;
        case ScanRuleTrigger::paneWaiting:
        case ScanRuleTrigger::paneFinished:
        case ScanRuleTrigger::paneBell:
        case ScanRuleTrigger::paneQuiet:
        case ScanRuleTrigger::outputMatches: return false;
    }
    return false;
}

bool isPaneTrigger(ScanRuleTrigger trigger) {
    switch (trigger) {
        case ScanRuleTrigger::paneWaiting:
        case ScanRuleTrigger::paneFinished:
        case ScanRuleTrigger::paneBell:
        case ScanRuleTrigger::paneQuiet:
        case ScanRuleTrigger::outputMatches: return true;
        default: return false;
    }
}

nlohmann::json encodeScanRules(const std::vector<ScanRule>& rules) {
    nlohmann::json array = nlohmann::json::array();
    for (const ScanRule& rule : rules) {
        nlohmann::json object{
            {"id", rule.id},
            {"enabled", rule.enabled},
            {"name", rule.name},
            {"trigger", toRaw(rule.trigger)},
            {"match", rule.match},
            {"actionKind", toRaw(rule.actionKind)},
            {"actionValue", rule.actionValue},
            {"cooldownSeconds", storable(rule.cooldownSeconds)},
        };
        if (rule.trigger == ScanRuleTrigger::paneQuiet) object["quietSeconds"] = storable(rule.quietSeconds);
        if (rule.trigger == ScanRuleTrigger::outputMatches) {
            object["pattern"] = rule.pattern;
            object["regex"] = rule.patternIsRegex;
        }
        array.push_back(std::move(object));
    }
    return array;
}

std::optional<std::vector<ScanRule>> decodeScanRules(const nlohmann::json& value) {
    if (!value.is_array()) return std::nullopt;
    std::vector<ScanRule> rules;
    rules.reserve(value.size());
    for (const auto& element : value) {
        auto rule = decodeRule(element);
        if (!rule) return std::nullopt;
        rules.push_back(std::move(*rule));
    }
    return rules;
}

}  // namespace quillon
