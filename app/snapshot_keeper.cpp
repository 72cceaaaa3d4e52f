#include "app/snapshot_keeper.h"

#include <QMetaObject>

#include <algorithm>
#include <memory>

#include "app/app_environment.h"
#include "core/folder_check.h"
#include "core/l10n.h"
#include "core/tmux_error.h"

namespace quillon {

namespace fs = std::filesystem;

namespace {

// "“work” on rhost", "“work” on this machine".
std::string serverText(const ServerIdentity& server) {
    const std::string socket = "“" + server.socketText() + "”";
    if (server.isLocal()) return L(socket + " pe acest calculator", socket + " on this machine");
    return L(socket + " pe " + server.host, socket + " on " + server.host);
}

// No session of now was in before (same name, same creation): the server was replaced.
bool sharesNoSession(const ServerSnapshot& before, const ServerSnapshot& now) {
    for (const SnapshotSession& s : now.sessions)
        for (const SnapshotSession& b : before.sessions)
            if (s.name == b.name && std::chrono::floor<std::chrono::seconds>(s.created) ==
                                        std::chrono::floor<std::chrono::seconds>(b.created))
                return false;
    return true;
}

}  // namespace

SnapshotKeeper::SnapshotKeeper(AppEnvironment& environment, fs::path root, QObject* parent)
    : QObject(parent), environment_(environment), root_(std::move(root)), gapTimer_(new QTimer(this)) {
    writer_.setMaxThreadCount(1);
    gapTimer_->setSingleShot(true);
    connect(gapTimer_, &QTimer::timeout, this, [this] {
        if (pending_) write(*std::exchange(pending_, std::nullopt), Clock::now());
    });
    connect(&environment_, &AppEnvironment::sessionsChanged, this, &SnapshotKeeper::observeShown);
    connect(&environment_, &AppEnvironment::refreshFinished, this, &SnapshotKeeper::updateOffer);
    connect(&environment_, &AppEnvironment::serverChanged, this, &SnapshotKeeper::reloadRing);
    reloadRing();
}

SnapshotKeeper::~SnapshotKeeper() {
    worker_.waitForDone();
    writer_.waitForDone();
}

fs::path SnapshotKeeper::directory() const { return SnapshotRing::serverDirectory(root_, environment_.serverIdentity()); }

void SnapshotKeeper::reloadRing() {
    ++generation_;
    newest_.reset();
    pending_.reset();
    lost_.reset();
    lastWrite_.reset();
    ringRead_ = false;
    gapTimer_->stop();
    updateOffer();
    if (!enabled()) return;
    load([this, generation = generation_](RingContents contents) {
        if (generation != generation_) return;
        ringRead_ = true;
        if (!contents.snapshots.empty()) newest_ = std::move(contents.snapshots.front().snapshot);
        observeShown();
    });
}

void SnapshotKeeper::observeShown() {
    // Before the shown server's first refresh its sessions are not known: nothing to remember.
    if (environment_.sessionsKnown()) observe(environment_.sessions());
    else updateOffer();
}

void SnapshotKeeper::observe(const std::vector<TmuxSession>& sessions, TimePoint now) {
    // A stopped or empty server is not a state to remember.
    if (!enabled() || !ringRead_ || sessions.empty()) return updateOffer();
    ServerSnapshot snapshot = ServerSnapshot::capture(environment_.serverIdentity(), sessions, now);
    if (newest_ && !lost_ && sharesNoSession(*newest_, snapshot)) lost_ = newest_;
    const ServerSnapshot& compared = pending_ ? *pending_ : newest_ ? *newest_ : snapshot;
    if (&compared == &snapshot || !sameStructure(compared, snapshot)) {
        if (!lastWrite_ || now - *lastWrite_ >= minimumGap) {
            write(std::move(snapshot), now);
        } else {
            pending_ = std::move(snapshot);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*lastWrite_ + minimumGap - now);
            if (!gapTimer_->isActive()) gapTimer_->start(std::max(left, std::chrono::milliseconds(0)));
        }
    }
    updateOffer();
}

void SnapshotKeeper::write(ServerSnapshot snapshot, TimePoint now) {
    lastWrite_ = now;
    newest_ = snapshot;
    const fs::path dir = SnapshotRing::serverDirectory(root_, snapshot.server);
    writer_.start([this, dir, snapshot = std::move(snapshot), now] {
        QString file;
        QString message;
        try {
            if (auto path = SnapshotRing::save(dir, snapshot, now)) file = QString::fromStdString(path->string());
        } catch (const std::exception& error) {
            message = QString::fromStdString(L("Nu am putut salva instantaneul serverului: ",
                                               "Could not save the server's snapshot: ") + error.what());
        }
        QMetaObject::invokeMethod(this, [this, file, message] {
            if (!message.isEmpty()) environment_.reportFailure(message.toStdString());
            emit written(file, message);
        }, Qt::QueuedConnection);
    });
}

void SnapshotKeeper::load(std::function<void(RingContents)> done) {
    const fs::path dir = directory();
    worker_.start([this, dir, done = std::move(done)] {
        RingContents contents = SnapshotRing::load(dir);
        QMetaObject::invokeMethod(this, [done, contents = std::move(contents)]() mutable { done(std::move(contents)); },
                                  Qt::QueuedConnection);
    });
}

void SnapshotKeeper::restore(ServerSnapshot snapshot, std::set<std::string> sessions,
                             std::function<void(RestoreReport)> done) {
    const auto& client = environment_.client();
    if (!client) return done({});
    // A snapshot is rebuilt only on its own server, whatever is shown by the time it is chosen.
    if (snapshot.server != environment_.serverIdentity()) {
        RestoreReport refused;
        refused.failures.push_back({"", L("instantaneul serverului " + serverText(snapshot.server) +
                                              ": serverul afișat acum este " + serverText(environment_.serverIdentity()) + ".",
                                          "the snapshot of " + serverText(snapshot.server) + ": the server shown now is " +
                                              serverText(environment_.serverIdentity()) + ".")});
        return done(refused);
    }
    std::vector<std::string> live;
    for (const TmuxSession& session : environment_.sessions()) live.push_back(session.name);
    RestoreOptions options{std::move(sessions),
                           {environment_.restartPrograms().begin(), environment_.restartPrograms().end()},
                           {},
                           {}};
    worker_.start([this, client = *client, snapshot = std::move(snapshot), live = std::move(live),
                   options = std::move(options), done = std::move(done)]() mutable {
        RestoreReport report;
        try {
            // Folders are looked for where the server runs, all in one question.
            auto folders = std::make_shared<FolderCheck>(checkFolders(client, restoreDirectories(snapshot, options.sessions)));
            options.home = folders->home;
            options.directoryExists = [folders](const std::string& dir) { return folders->existing.count(dir) > 0; };
            report = executeRestore(client, planRestore(snapshot, live, options));
        } catch (const TmuxError& error) {
            report.failures.push_back({"", error.localizedDescription()});
        } catch (const std::exception& error) {
            report.failures.push_back({"", error.what()});
        }
        QMetaObject::invokeMethod(this, [this, done, report = std::move(report)] {
            environment_.refresh([done, report] { done(report); });
        }, Qt::QueuedConnection);
    });
}

void SnapshotKeeper::updateOffer() {
    OptionalRestoreOffer offer;
    const std::optional<ServerSnapshot>& source = lost_ ? lost_ : newest_;
    if (source && environment_.client() && environment_.sessionsKnown()) {
        std::int64_t missing = 0;
        const auto& live = environment_.sessions();
        for (const SnapshotSession& saved : source->sessions)
            if (std::none_of(live.begin(), live.end(), [&](const TmuxSession& s) { return s.name == saved.name; }))
                ++missing;
        if (missing > 0) offer = RestoreOffer{missing, source->taken};
        else lost_.reset();  // all back
    }
    if (offer == offer_) return;
    offer_ = offer;
    emit offerChanged();
}

}  // namespace quillon

#include "moc_snapshot_keeper.cpp"
