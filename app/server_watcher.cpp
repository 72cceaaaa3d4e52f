#include "app/server_watcher.h"

#include <QMetaObject>
#include <QPointer>

#include <exception>
#include <utility>

#include "core/control_mode.h"

namespace quillon {

ServerWatcher::ServerWatcher(QObject* parent) : QObject(parent) {
    coalesce_.setSingleShot(true);
    coalesce_.setInterval(coalescing);
    connect(&coalesce_, &QTimer::timeout, this, [this] {
        if (!std::exchange(changedSince_, false)) return;
        coalesce_.start();
        emit structureChanged();
    });
    answer_.setSingleShot(true);
    answer_.setInterval(answerLimit);
    connect(&answer_, &QTimer::timeout, this, [this] {
        if (!sound_) finish(false);
    });
    retirements_.setMaxThreadCount(2);
}

ServerWatcher::~ServerWatcher() {
    stop();
    retirements_.waitForDone();
}

std::optional<pid_t> ServerWatcher::pid() const { return control_ ? control_->pid() : std::nullopt; }

void ServerWatcher::start(const TmuxClient& client, const std::string& session) {
    stop();
    session_ = session;
    const std::uint64_t generation = ++generation_;
    QPointer<ServerWatcher> self(this);
    auto post = [self](auto call) {
        QMetaObject::invokeMethod(
            self.data(), [self, call = std::move(call)] { if (self) call(*self); }, Qt::QueuedConnection);
    };
    TmuxControlMode::Attachment attachment;
    attachment.clientFlags = ServerWatch::clientFlags();
    attachment.wanted = [](std::string_view) { return true; };  // what is not understood counts too
    auto control = std::make_unique<TmuxControlMode>();
    try {
        control->start(
            client, session,
            [post, generation](const std::string& line) {
                post([generation, line](ServerWatcher& watcher) { watcher.handleLine(generation, line); });
            },
            [post, generation] { post([generation](ServerWatcher& watcher) { watcher.handleEnd(generation); }); },
            std::move(attachment));
    } catch (const std::exception&) {
        // No tmux (or no ssh) to start: reported as an end, as a child that exits at once.
        post([generation](ServerWatcher& watcher) { watcher.handleEnd(generation); });
        control.reset();
        control_ = std::make_unique<TmuxControlMode>();  // "running" until that end arrives
        return;
    }
    control_ = std::move(control);
    answer_.start();
}

void ServerWatcher::stop() {
    ++generation_;  // nothing of this child is reported any more
    coalesce_.stop();
    changedSince_ = false;
    answer_.stop();
    attached_ = false;
    sound_ = false;
    exiting_ = false;
    retire();
}

void ServerWatcher::retire() {
    if (!control_) return;
    // A client of a stopped server may take its whole grace period to go.
    std::shared_ptr<TmuxControlMode> leaving(std::move(control_));
    retirements_.start([leaving] { leaving->stop(); });
}

void ServerWatcher::handleLine(std::uint64_t generation, const std::string& line) {
    if (generation != generation_) return;
    using ServerWatch::Line;
    const Line kind = ServerWatch::classify(line);
    if (kind == Line::unknown) return;  // a command's output, or not tmux at all
    sound_ = true;
    switch (kind) {
        case Line::attached:
            if (!std::exchange(attached_, true)) {
                // Sent before the client is attached, tmux refuses it (no current client).
                if (control_) control_->send({ServerWatch::subscribeCommand()});
                emit attached();
            }
            break;
        case Line::structure:
            // The first change after a quiet spell is told at once, the rest of its burst once.
            if (coalesce_.isActive()) {
                changedSince_ = true;
            } else {
                coalesce_.start();
                emit structureChanged();
            }
            emit notified(line);
            break;
        case Line::values:
            if (auto value = ServerWatch::subscriptionValue(line))
                if (auto values = ServerWatch::LiveValues::parse(*value)) emit valuesChanged(*values);
            break;
        case Line::exited:
            exiting_ = true;
            break;
        case Line::reply:
        case Line::unknown:
            break;
    }
}

void ServerWatcher::handleEnd(std::uint64_t generation) {
    if (generation != generation_) return;
    finish(attached_ && exiting_);
}

void ServerWatcher::finish(bool byTmux) {
    stop();
    emit ended(byTmux);
}

}  // namespace quillon

#include "moc_server_watcher.cpp"
