#pragma once
// The user's scan rules: persisted under "scanRules" in the defaults document, evaluated
// against every scanner event (and, through PaneTriggers, the panes' states and output),
// their actions run, their firings kept in a short log.
// Lives on the GUI thread. Nothing fires while automatic commands are switched off.

#include <QObject>

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/scan_rule.h"
#include "core/defaults_store.h"
#include "core/scan_event.h"

namespace quillon {

class AppEnvironment;
class Notifier;

class RuleStore : public QObject {
    Q_OBJECT

public:
    static constexpr std::string_view key = "scanRules";
    static constexpr std::size_t maxExecutions = 100;

    // Loads the stored rules; a value that does not decode leaves the list empty and is
    // kept aside (a copy of the document) before the first save replaces it.
    RuleStore(DefaultsStore defaults, AppEnvironment& environment, Notifier& notifier, QObject* parent = nullptr);
    // The process's store: the application's defaults, the shared environment and the
    // desktop's notifier; needs a QCoreApplication.
    static RuleStore& shared();

    const std::vector<ScanRule>& rules() const noexcept { return rules_; }
    // Oldest first.
    const std::deque<RuleExecution>& executions() const noexcept { return executions_; }
    void clearExecutions();

    // Replaces the rule with the same id in place, or appends it; then saves.
    void upsert(const ScanRule& rule);
    // Removes every rule with that id; then saves.
    void remove(const ScanRule& rule);
    // A failure to encode or write leaves the stored value as it was and is reported in the
    // environment's lastError.
    void save();

    // Runs every enabled, matching rule whose cooldown has passed, in list order.
    void evaluate(const ScanEvent& event) { evaluate(event, Clock::now()); }
    void evaluate(const ScanEvent& event, TimePoint now);
    // Runs one rule for a pane its pane trigger found due (pane_triggers.h): the switch, the
    // rule's enabled flag and its cooldown still decide; keys go to that pane. False when it
    // did not run.
    bool firePane(const ScanRule& rule, const std::string& paneId, const std::string& sessionName,
                  const std::string& message, TimePoint now = Clock::now());

    // "/bin/sh -c command" as an independent process, never waited for and never left a
    // zombie. False when it could not be started.
    static bool launchShell(const std::string& command);

signals:
    void rulesChanged();
    void executionsChanged();

private:
    bool due(const ScanRule& rule, const ScanEvent& event, TimePoint now) const;
    bool coolingDown(const ScanRule& rule, TimePoint now) const;
    // False when the action had nothing to act on (no log entry then).
    bool act(const ScanRule& rule, const ScanEvent& event);
    void log(const ScanRule& rule, const ScanEvent& event);

    DefaultsStore defaults_;
    AppEnvironment& environment_;
    Notifier& notifier_;
    std::vector<ScanRule> rules_;
    std::deque<RuleExecution> executions_;
    std::map<std::string, TimePoint> lastFired_;
    bool keepStoredAside_ = false;
};

}  // namespace quillon
