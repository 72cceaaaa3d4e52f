#include "app/pane_attention.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <utility>

#include "app/app_environment.h"
#include "app/pane_notice_settings.h"

namespace quillon {
namespace {

// The sampler's shortest interval: nothing can be due more often.
constexpr int readingTickMs = 250;

}  // namespace

PaneAttention::PaneAttention(AppEnvironment& env, QObject* parent) : QObject(parent), env_(env) {
    timer_.setInterval(readingTickMs);
    connect(&timer_, &QTimer::timeout, this, &PaneAttention::tick);
    connect(&env_, &AppEnvironment::serverChanged, this, &PaneAttention::restart);
    // The next reading takes the new threshold; what was read so far stays.
    connect(&env_, &AppEnvironment::silenceThresholdChanged, this,
            [this] { thresholds_ = env_.settings().attentionThresholds(); });
    connect(&env_, &AppEnvironment::panesStirred, this, [this] { stirred_ = true; });
}

void PaneAttention::start() {
    restart();
    timer_.start();
}

void PaneAttention::stop() { timer_.stop(); }

void PaneAttention::restart() {
    ++generation_;
    reading_ = false;
    stirred_ = false;
    thresholds_ = env_.settings().attentionThresholds();
    sampler_ = env_.client() ? std::make_shared<PaneStateSampler>(*env_.client(), thresholds_) : nullptr;
    const bool hadStates = !panes_.empty();
    panes_.clear();
    statuses_.clear();
    index();
    seen_.clear();
    if (hadStates) emit statesChanged();
    if (!needs_.empty()) {
        needs_.clear();
        emit changed();
    }
}

void PaneAttention::tick() {
    if (reading_ || !sampler_) return;
    reading_ = true;
    QPointer<PaneAttention> self(this);
    const SamplingTiming timing = env_.watching() ? watchedTiming_ : SamplingTiming{};
    QThreadPool::globalInstance()->start([self, sampler = sampler_, generation = generation_, thresholds = thresholds_,
                                          timing, stirred = std::exchange(stirred_, false)] {
        sampler->tracker().setThresholds(thresholds);
        sampler->tracker().setTiming(timing);
        const auto step = stirred ? sampler->readAll() : sampler->step();
        std::vector<PaneSignals> panes;
        std::vector<PaneStatus> statuses;
        const bool fresh = step.read && !step.error;
        if (fresh) {
            panes = sampler->tracker().panes();
            statuses = sampler->tracker().statuses();
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, fresh, panes = std::move(panes), statuses = std::move(statuses)]() mutable {
                if (!self || generation != self->generation_) return;
                self->reading_ = false;
                if (fresh) self->apply(std::move(panes), std::move(statuses));
            },
            Qt::QueuedConnection);
    });
}

void PaneAttention::apply(std::vector<PaneSignals> panes, std::vector<PaneStatus> statuses) {
    const bool differs = panes != panes_ || statuses != statuses_;
    panes_ = std::move(panes);
    statuses_ = std::move(statuses);
    if (differs) {
        index();
        // Panes come and go for as long as the app runs: only listed ones keep their mark.
        std::erase_if(seen_, [this](const auto& entry) { return !byPane_.contains(entry.first); });
        emit statesChanged();
    }
    // A pane a terminal of the user shows is being looked at.
    const TimePoint now = Clock::now();
    for (const PaneSignals& pane : panes_)
        if (pane.watched) seen_[pane.paneId] = now;
    rebuild();
}

void PaneAttention::index() {
    byPane_.clear();
    bySession_.clear();
    for (std::size_t i = 0; i < panes_.size() && i < statuses_.size(); ++i) {
        byPane_[statuses_[i].paneId] = i;
        auto [kept, fresh] = bySession_.try_emplace(panes_[i].sessionId, i);
        if (!fresh && urgency(statuses_[i]) < urgency(statuses_[kept->second])) kept->second = i;
    }
}

const PaneStatus* PaneAttention::statusOf(const std::string& paneId) const {
    const auto found = byPane_.find(paneId);
    return found == byPane_.end() ? nullptr : &statuses_[found->second];
}

const PaneStatus* PaneAttention::sessionStatus(const std::string& sessionId) const {
    const auto found = bySession_.find(sessionId);
    return found == bySession_.end() ? nullptr : &statuses_[found->second];
}

void PaneAttention::markSeen(const std::string& paneId) {
    seen_[paneId] = Clock::now();
    rebuild();
}

void PaneAttention::rebuild() {
    std::vector<Entry> needs;
    for (std::size_t i = 0; i < panes_.size() && i < statuses_.size(); ++i) {
        const PaneStatus& status = statuses_[i];
        const Urgency level = urgency(status);
        if (!needsUser(level)) continue;
        const TimePoint at = noticeOf(status).at;  // a bell's own time, else the state's
        if (auto seen = seen_.find(status.paneId); seen != seen_.end() && seen->second >= at) continue;
        needs.push_back({panes_[i], status, level, at});
    }
    std::stable_sort(needs.begin(), needs.end(), [](const Entry& a, const Entry& b) { return a.at > b.at; });
    const bool same = std::equal(needs.begin(), needs.end(), needs_.begin(), needs_.end(), [](const Entry& a, const Entry& b) {
        return a.pane == b.pane && a.status == b.status;
    });
    if (same) return;
    needs_ = std::move(needs);
    emit changed();
}

}  // namespace quillon

#include "moc_pane_attention.cpp"
