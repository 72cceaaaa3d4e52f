#include "app/pane_notices.h"

#include <QTimer>

#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "app/platform/desktop_notices.h"
#include "core/l10n.h"

namespace quillon {
namespace {

// Notices already numbered by the server but never closed are forgotten past this many.
constexpr std::size_t postedKept = 200;
// How long a dead pane's exit status is waited for before it is announced without one.
constexpr std::chrono::seconds untoldWait{2};

}  // namespace

PaneNotices::PaneNotices(AppEnvironment& env, PaneAttention& attention, DesktopNotices& desktop, QObject* parent)
    : QObject(parent), env_(env), attention_(attention), desktop_(desktop) {
    connect(&attention_, &PaneAttention::statesChanged, this, &PaneNotices::review);
    connect(&env_, &AppEnvironment::serverChanged, this, &PaneNotices::forgetServer);
    connect(&desktop_, &DesktopNotices::posted, this, [this](std::uint64_t tag, quint32 id) {
        auto node = numbering_.extract(tag);
        if (node.empty()) return;
        posted_.insert_or_assign(id, std::move(node.mapped()));
        while (posted_.size() > postedKept) posted_.erase(posted_.begin());
    });
    connect(&desktop_, &DesktopNotices::acted, this, &PaneNotices::act);
    connect(&desktop_, &DesktopNotices::closed, this, [this](quint32 id) { posted_.erase(id); });
    // Known before the first notice, so that it already carries its actions.
    desktop_.askCapabilities();
    if (!attention_.panes().empty()) review();
}

void PaneNotices::forgetServer() {
    seen_.clear();
    untold_.clear();
    baseline_ = true;
}

void PaneNotices::review() {
    const auto& panes = attention_.panes();
    const auto& statuses = attention_.statuses();
    if (panes.empty()) return;
    const bool first = std::exchange(baseline_, false);
    const TimePoint now = Clock::now();
    std::map<std::string, Notice> seen;
    std::map<std::string, TimePoint> untold;
    // One status per pane, in the panes' order.
    for (std::size_t i = 0; i < panes.size() && i < statuses.size(); ++i) {
        const PaneSignals& pane = panes[i];
        const PaneStatus& status = statuses[i];
        const auto before = seen_.find(status.paneId);
        // tmux may say a pane is dead a moment before it says how it ended, and now and then
        // never says: a clean exit and a failure are told apart if it does within a moment;
        // after that the pane is announced by what is known.
        if (status.state == PaneState::exited && !status.exitStatus && !status.exitSignal) {
            const TimePoint since = untold_.try_emplace(status.paneId, now).first->second;
            untold[status.paneId] = since;
            if (now - since < untoldWait) {
                if (before != seen_.end()) seen.insert(*before);
                QTimer::singleShot(untoldWait, this, &PaneNotices::review);
                continue;
            }
        }
        const Notice notice = noticeOf(status);
        const bool news = isNews(notice, before == seen_.end() ? std::nullopt : std::optional(before->second));
        seen[status.paneId] = notice;
        if (!news || first) continue;
        const NoticeKind kind = *notice.kind;
        if (!env_.paneNotifications().enabled(kind) || env_.doNotDisturb().holds(now) || pane.watched) continue;
        post(kind, pane, status);
    }
    seen_ = std::move(seen);
    untold_ = std::move(untold);
}

std::string PaneNotices::title(NoticeKind kind) { return label(kind); }

std::string PaneNotices::body(const PaneSignals& pane, const PaneStatus& status) {
    std::string text = pane.target();
    if (!status.program.empty()) text += " · " + status.program;
    if (status.state == PaneState::exited) {
        if (status.exitSignal) text += L(" · semnalul ", " · signal ") + std::to_string(*status.exitSignal);
        else if (status.exitStatus) text += L(" · cod ", " · status ") + std::to_string(*status.exitStatus);
    }
    return text;
}

void PaneNotices::post(NoticeKind kind, const PaneSignals& pane, const PaneStatus& status) {
    if (!env_.client()) return;
    const std::uint64_t tag = ++nextTag_;
    numbering_.insert_or_assign(tag, About{env_.serverIdentity(), *env_.client(), pane});
    desktop_.post({title(kind), body(pane, status),
                   {{"default", L("Deschide", "Open")}, {"attach", L("Atașează", "Attach")}}},
                  tag);
    // A server that never answers leaves nothing behind.
    while (numbering_.size() > postedKept) numbering_.erase(numbering_.begin());
}

void PaneNotices::act(quint32 id, const std::string& key) {
    const auto found = posted_.find(id);
    if (found == posted_.end()) return;
    const About about = found->second;
    if (key == "attach") return env_.attachPane(about.client, about.pane.sessionId, about.pane.paneId);
    if (key != "default") return;
    // Another server is shown now: its pane with the same id is another pane.
    if (about.server != env_.serverIdentity())
        return env_.reportFailure(L("Pane-ul " + about.pane.target() + " e pe alt server decât cel afișat.",
                                    "Pane " + about.pane.target() + " is on another server than the one shown."));
    attention_.markSeen(about.pane.paneId);
    emit paneChosen(about.pane.sessionId, about.pane.sessionName, about.pane.paneId);
}

}  // namespace quillon

#include "moc_pane_notices.cpp"
