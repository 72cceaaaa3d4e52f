#include "app/rule_store.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <exception>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "core/l10n.h"

namespace quillon {

RuleStore::RuleStore(DefaultsStore defaults, AppEnvironment& environment, Notifier& notifier, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)), environment_(environment), notifier_(notifier) {
    if (auto stored = defaults_.value(key)) {
        if (auto decoded = decodeScanRules(*stored))
            rules_ = std::move(*decoded);
        else
            keepStoredAside_ = true;
    }
}

RuleStore& RuleStore::shared() {
    static RuleStore* instance = new RuleStore(DefaultsStore::standard(), AppEnvironment::shared(), Notifier::system(),
                                               QCoreApplication::instance());
    return *instance;
}

void RuleStore::clearExecutions() {
    if (executions_.empty()) return;
    executions_.clear();
    emit executionsChanged();
}

void RuleStore::upsert(const ScanRule& rule) {
    auto same = std::find_if(rules_.begin(), rules_.end(), [&](const ScanRule& r) { return r.id == rule.id; });
    if (same != rules_.end())
        *same = rule;
    else
        rules_.push_back(rule);
    save();
    emit rulesChanged();
}

void RuleStore::remove(const ScanRule& rule) {
    std::erase_if(rules_, [&](const ScanRule& r) { return r.id == rule.id; });
    save();
    emit rulesChanged();
}

void RuleStore::save() {
    try {
        const nlohmann::json encoded = encodeScanRules(rules_);
        (void)encoded.dump();  // text that cannot be written as JSON fails here, before any file is touched
        if (keepStoredAside_) {
            defaults_.keepCopyAside();
            keepStoredAside_ = false;
        }
        defaults_.set(key, encoded);
    } catch (const std::exception& error) {
        // The stored rules stay as they were; the change lives in memory only, and the user must know.
        environment_.reportFailure(L("Nu am putut salva regulile: ", "Could not save the rules: ") + error.what());
    }
}

bool RuleStore::due(const ScanRule& rule, const ScanEvent& event, TimePoint now) const {
    if (!rule.enabled || !matches(rule.trigger, event.kind)) return false;
    if (!rule.match.empty() &&
        !QString::fromStdString(event.message).contains(QString::fromStdString(rule.match), Qt::CaseInsensitive))
        return false;
    return !coolingDown(rule, now);
}

bool RuleStore::coolingDown(const ScanRule& rule, TimePoint now) const {
    if (!(rule.cooldownSeconds > 0)) return false;
    auto fired = lastFired_.find(rule.id);
    return fired != lastFired_.end() && std::chrono::duration<double>(now - fired->second).count() < rule.cooldownSeconds;
}

bool RuleStore::firePane(const ScanRule& rule, const std::string& paneId, const std::string& sessionName,
                         const std::string& message, TimePoint now) {
    if (!environment_.autoCommandsEnabled() || !rule.enabled || coolingDown(rule, now)) return false;
    const ScanEvent event = ScanEvent::make(ScanEvent::Kind::info, message, sessionName, paneId);
    lastFired_[rule.id] = now;
    if (!act(rule, event)) return false;
    log(rule, event);
    return true;
}

void RuleStore::evaluate(const ScanEvent& event, TimePoint now) {
    if (!environment_.autoCommandsEnabled()) return;
    // A copy: a notification sink or a slot may change the rules while we walk them.
    const std::vector<ScanRule> rules = rules_;
    for (const ScanRule& rule : rules) {
        if (!due(rule, event, now)) continue;
        lastFired_[rule.id] = now;
        if (act(rule, event)) log(rule, event);
    }
}

bool RuleStore::act(const ScanRule& rule, const ScanEvent& event) {
    switch (rule.actionKind) {
        case ScanRuleActionKind::notify:
            notifier_.post(L("Regulă: ", "Rule: ") + rule.name, event.message);
            return true;
        case ScanRuleActionKind::sendKeys: {
            const auto& target = event.target ? event.target : event.session;
            if (!target || rule.actionValue.empty()) return false;
            QPointer<AppEnvironment> environment(&environment_);
            QMetaObject::invokeMethod(
                &environment_,
                [environment, target = *target, keys = rule.actionValue] {
                    if (environment) environment->sendKeys(target, keys, true);
                },
                Qt::QueuedConnection);
            return true;
        }
        case ScanRuleActionKind::runShell:
            if (!rule.actionValue.empty()) launchShell(rule.actionValue);
            return true;
    }
    return false;
}

void RuleStore::log(const ScanRule& rule, const ScanEvent& event) {
    executions_.push_back(RuleExecution{makeUuid(), Clock::now(), rule.name, event.message,
                                        displayText(rule.actionKind)});
    while (executions_.size() > maxExecutions) executions_.pop_front();
    emit executionsChanged();
}

bool RuleStore::launchShell(const std::string& command) {
    // startDetached runs the command under an intermediate child that Qt reaps at once;
    // the command itself belongs to init, so no zombie is ever left here.
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromStdString(command)});
}

}  // namespace quillon

#include "moc_rule_store.cpp"
