#pragma once
// The scanner rules' pane triggers, fed by PaneAttention: a pane of a matching session starts
// waiting for input, finishes its program, rings a bell; has printed and then been quiet for
// the rule's seconds; prints a new line that matches the rule's pattern. Each fires once per
// change; the panes as they were when the server was first read are not a change.
//
// Output is read off the GUI thread, once a second, only for panes of sessions an output rule
// names, and only what appeared after the rule was armed: the screen as it stood then and a
// command line typed at the shell's prompt never count (PaneNewLines). Any change to the rules,
// to the automatic-commands switch or to the shown server arms every reader again.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/pane_notice_settings.h"
#include "app/scan_rule.h"
#include "core/pane_matcher.h"
#include "core/pane_new_lines.h"
#include "core/pane_observation.h"

namespace quillon {

class AppEnvironment;
class PaneAttention;
class RuleStore;

class PaneTriggers : public QObject {
    Q_OBJECT
public:
    PaneTriggers(AppEnvironment& env, PaneAttention& attention, RuleStore& rules, QObject* parent = nullptr);

    // The rule's session filter: empty, or contained in the name regardless of case.
    static bool sessionMatches(const ScanRule& rule, const std::string& sessionName);

private:
    struct Track {
        std::optional<Notice> notice;  // nothing before the pane's first reading
        bool programInFront = false;
        OutputMark mark;
        bool printed = false;           // the program printed since it took the terminal
        TimePoint lastOutput{};
        std::set<std::string> quietFired;  // rule ids, for this quiet stretch
    };
    using Readers = std::map<std::string, PaneNewLines>;  // by pane id

    void review();
    void tick();
    void readOutput();
    void rearm();
    void forgetServer();
    void fire(const ScanRule& rule, const PaneSignals& pane, const std::string& message);
    std::vector<ScanRule> enabledRules(ScanRuleTrigger trigger) const;

    AppEnvironment& env_;
    PaneAttention& attention_;
    RuleStore& rules_;
    QTimer timer_;
    std::map<std::string, Track> tracks_;  // by pane id
    bool baseline_ = true;
    std::uint64_t generation_ = 0;          // readers of an older arming are not used
    std::shared_ptr<Readers> readers_;
    bool reading_ = false;
    std::map<std::string, PaneMatcher> matchers_;  // by rule id
};

}  // namespace quillon
