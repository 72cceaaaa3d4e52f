#include "app/pane_triggers.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QThreadPool>

#include <algorithm>

#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "app/rule_store.h"
#include "core/l10n.h"
#include "core/pane_rows.h"

namespace quillon {
namespace {

constexpr int triggerTickMs = 1000;

std::optional<ScanRuleTrigger> triggerOf(NoticeKind kind) {
    switch (kind) {
    case NoticeKind::waitingForInput: return ScanRuleTrigger::paneWaiting;
    case NoticeKind::finished: return ScanRuleTrigger::paneFinished;
    case NoticeKind::bell: return ScanRuleTrigger::paneBell;
    case NoticeKind::quiet:
    case NoticeKind::exitedWithError: return std::nullopt;
    }
    return std::nullopt;
}

bool programInFront(PaneState state) {
    return state == PaneState::running || state == PaneState::quiet || state == PaneState::waitingForInput;
}

// One pane's new lines since the last reading, read as PaneNewLines wants them; the first
// reading of a pane arms its reader and gives nothing.
std::vector<std::string> newLines(const TmuxClient& client, const PaneSignals& pane, const PaneStatus& status,
                                  std::map<std::string, PaneNewLines>& readers) {
    auto reader = readers.find(pane.paneId);
    if (reader == readers.end()) {
        // What is on the screen now, and the rows just above it, are the start.
        auto rows = readPaneRows(client, pane.paneId, -3);
        if (!rows) return {};
        rows->typing = shellTyping(status, pane);
        readers.emplace(pane.paneId, PaneNewLines(*rows));
        return {};
    }
    auto rows = readPaneRows(client, pane.paneId, reader->second.captureStart());
    if (!rows) return {};
    rows->typing = shellTyping(status, pane);
    auto fresh = reader->second.take(*rows);
    if (!fresh) {
        // The rows moved past what the reading covered: once more, from the history's top.
        auto whole = readPaneRows(client, pane.paneId, std::nullopt);
        if (!whole) return {};
        whole->typing = rows->typing;
        fresh = reader->second.take(*whole);
    }
    return fresh.value_or(std::vector<std::string>{});
}

}  // namespace

PaneTriggers::PaneTriggers(AppEnvironment& env, PaneAttention& attention, RuleStore& rules, QObject* parent)
    : QObject(parent), env_(env), attention_(attention), rules_(rules), readers_(std::make_shared<Readers>()) {
    connect(&attention_, &PaneAttention::statesChanged, this, &PaneTriggers::review);
    connect(&env_, &AppEnvironment::serverChanged, this, &PaneTriggers::forgetServer);
    connect(&rules_, &RuleStore::rulesChanged, this, &PaneTriggers::rearm);
    connect(&env_, &AppEnvironment::autoCommandsEnabledChanged, this, &PaneTriggers::rearm);
    timer_.setInterval(triggerTickMs);
    connect(&timer_, &QTimer::timeout, this, &PaneTriggers::tick);
    timer_.start();
    rearm();
    if (!attention_.panes().empty()) review();
}

bool PaneTriggers::sessionMatches(const ScanRule& rule, const std::string& sessionName) {
    return rule.match.empty() ||
           QString::fromStdString(sessionName).contains(QString::fromStdString(rule.match), Qt::CaseInsensitive);
}

std::vector<ScanRule> PaneTriggers::enabledRules(ScanRuleTrigger trigger) const {
    std::vector<ScanRule> found;
    for (const ScanRule& rule : rules_.rules())
        if (rule.enabled && rule.trigger == trigger) found.push_back(rule);
    return found;
}

void PaneTriggers::forgetServer() {
    tracks_.clear();
    baseline_ = true;
    rearm();
}

void PaneTriggers::rearm() {
    ++generation_;
    readers_ = std::make_shared<Readers>();
    reading_ = false;
    matchers_.clear();
    for (const ScanRule& rule : enabledRules(ScanRuleTrigger::outputMatches))
        matchers_.emplace(rule.id, PaneMatcher::compile({rule.pattern, rule.patternIsRegex}));
}

void PaneTriggers::fire(const ScanRule& rule, const PaneSignals& pane, const std::string& message) {
    rules_.firePane(rule, pane.paneId, pane.sessionName, message);
}

void PaneTriggers::review() {
    const auto& panes = attention_.panes();
    const auto& statuses = attention_.statuses();
    if (panes.empty()) return;
    const bool first = std::exchange(baseline_, false);
    const TimePoint now = Clock::now();
    std::map<std::string, Track> tracks;
    // One status per pane, in the panes' order.
    for (std::size_t i = 0; i < panes.size() && i < statuses.size(); ++i) {
        const PaneSignals& pane = panes[i];
        const PaneStatus& status = statuses[i];
        const auto before = tracks_.find(status.paneId);
        Track track = before == tracks_.end() ? Track{} : before->second;
        const Notice notice = noticeOf(status);
        const bool entered = isNews(notice, track.notice);
        track.notice = notice;
        // Output counts from the moment the program is seen in front: the command line's own
        // echo is before it.
        const bool inFront = programInFront(status.state);
        if (inFront && track.programInFront && pane.output != track.mark) {
            track.printed = true;
            track.lastOutput = now;
            track.quietFired.clear();
        }
        // Quiet is a program at work that stopped printing: one that waits for its user, or
        // none at all, is not.
        if (status.state != PaneState::running && status.state != PaneState::quiet) {
            track.printed = false;
            track.quietFired.clear();
        }
        track.programInFront = inFront;
        track.mark = pane.output;
        tracks[status.paneId] = track;
        if (!entered || first) continue;
        const NoticeKind kind = *notice.kind;
        const auto trigger = triggerOf(kind);
        if (!trigger) continue;
        for (const ScanRule& rule : enabledRules(*trigger))
            if (sessionMatches(rule, pane.sessionName)) fire(rule, pane, pane.target() + ": " + label(kind));
    }
    tracks_ = std::move(tracks);
}

void PaneTriggers::tick() {
    const TimePoint now = Clock::now();
    const auto quietRules = enabledRules(ScanRuleTrigger::paneQuiet);
    for (const PaneSignals& pane : attention_.panes()) {
        auto track = tracks_.find(pane.paneId);
        if (track == tracks_.end() || !track->second.printed) continue;
        const double silent = std::chrono::duration<double>(now - track->second.lastOutput).count();
        for (const ScanRule& rule : quietRules) {
            if (silent < rule.quietSeconds || !sessionMatches(rule, pane.sessionName)) continue;
            if (!track->second.quietFired.insert(rule.id).second) continue;
            fire(rule, pane, pane.target() + ": " + L("liniștit de ", "quiet for ") +
                                 std::to_string(static_cast<long long>(rule.quietSeconds)) + " s");
        }
    }
    readOutput();
}

void PaneTriggers::readOutput() {
    if (reading_ || matchers_.empty() || !env_.client() || !env_.autoCommandsEnabled()) return;
    const auto rules = enabledRules(ScanRuleTrigger::outputMatches);
    std::vector<PaneSignals> panes;
    std::vector<PaneStatus> statuses;
    for (std::size_t i = 0; i < attention_.panes().size() && i < attention_.statuses().size(); ++i) {
        const PaneSignals& pane = attention_.panes()[i];
        if (std::none_of(rules.begin(), rules.end(), [&](const ScanRule& r) { return sessionMatches(r, pane.sessionName); }))
            continue;
        panes.push_back(pane);
        statuses.push_back(attention_.statuses()[i]);
    }
    if (panes.empty()) return;
    reading_ = true;
    QPointer<PaneTriggers> self(this);
    QThreadPool::globalInstance()->start([self, client = *env_.client(), readers = readers_, generation = generation_,
                                          panes = std::move(panes), statuses = std::move(statuses)]() mutable {
        std::vector<std::pair<PaneSignals, std::vector<std::string>>> found;
        for (std::size_t i = 0; i < panes.size(); ++i) {
            auto lines = newLines(client, panes[i], statuses[i], *readers);
            if (!lines.empty()) found.emplace_back(panes[i], std::move(lines));
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, found = std::move(found)] {
                if (!self || generation != self->generation_) return;
                self->reading_ = false;
                for (const ScanRule& rule : self->enabledRules(ScanRuleTrigger::outputMatches)) {
                    const auto matcher = self->matchers_.find(rule.id);
                    if (matcher == self->matchers_.end() || !matcher->second.ok()) continue;
                    for (const auto& [pane, lines] : found) {
                        if (!sessionMatches(rule, pane.sessionName)) continue;
                        for (const std::string& line : lines)
                            if (!matcher->second.matchLines(line, 1).empty()) {
                                self->fire(rule, pane, pane.target() + ": " + line);
                                break;
                            }
                    }
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace quillon

#include "moc_pane_triggers.cpp"
