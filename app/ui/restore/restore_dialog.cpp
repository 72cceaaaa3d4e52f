#include "app/ui/restore/restore_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

#include "app/app_environment.h"
#include "app/snapshot_keeper.h"
#include "app/ui/restore/restore_texts.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

QString when(TimePoint instant) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

bool isRunning(const AppEnvironment& env, const std::string& name) {
    const auto& live = env.sessions();
    return std::any_of(live.begin(), live.end(), [&](const TmuxSession& s) { return s.name == name; });
}

}  // namespace

RestoreDialog::RestoreDialog(UiContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowModality(Qt::WindowModal);
    resize(620, 420);
    intro_ = new QLabel(this);
    intro_->setWordWrap(true);
    snapshotsHeading_ = new QLabel(this);
    snapshots_ = new QListWidget(this);
    sessionsHeading_ = new QLabel(this);
    sessions_ = new QListWidget(this);
    result_ = new QLabel(this);
    result_->setTextFormat(Qt::PlainText);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Close, this);
    restore_ = buttons_->addButton(QString(), QDialogButtonBox::ActionRole);
    restore_->setDefault(true);

    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(snapshotsHeading_);
    left->addWidget(snapshots_, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(sessionsHeading_);
    right->addWidget(sessions_, 1);
    lists->addLayout(left, 3);
    lists->addLayout(right, 2);
    auto* column = new QVBoxLayout(this);
    column->addWidget(intro_);
    column->addLayout(lists, 1);
    column->addWidget(result_);
    column->addWidget(buttons_);
    snapshotsHeading_->setBuddy(snapshots_);
    sessionsHeading_->setBuddy(sessions_);

    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(restore_, &QPushButton::clicked, this, &RestoreDialog::restoreChosen);
    connect(snapshots_, &QListWidget::currentRowChanged, this, &RestoreDialog::showSessions);
    connect(sessions_, &QListWidget::itemChanged, this, &RestoreDialog::updateButton);
    connect(&context.env, &AppEnvironment::languageChanged, this, &RestoreDialog::relabel);
    // Another server shown: its own snapshots, never the last one's.
    connect(&context.env, &AppEnvironment::serverChanged, this, &RestoreDialog::reload);
    relabel();
    reload();
}

void RestoreDialog::reload() {
    stored_.clear();
    snapshots_->clear();
    result_->clear();
    showSessions(-1);
    context_.env.snapshots().load([self = QPointer(this), generation = ++loads_](RingContents contents) {
        if (self && generation == self->loads_) self->fill(std::move(contents));
    });
}

void RestoreDialog::relabel() {
    setWindowTitle(qL("Restaurează sesiuni", "Restore sessions"));
    intro_->setText(qL("Alege un instantaneu și sesiunile de adus înapoi. Sesiunile care rulează deja nu sunt atinse.",
                       "Choose a snapshot and the sessions to bring back. Sessions that already run are not touched."));
    snapshotsHeading_->setText(qL("&Instantanee", "&Snapshots"));
    sessionsHeading_->setText(qL("S&esiuni", "S&essions"));
    snapshots_->setAccessibleName(qL("Instantanee", "Snapshots"));
    sessions_->setAccessibleName(qL("Sesiuni de restaurat", "Sessions to restore"));
    result_->setAccessibleDescription(qL("Rezultatul restaurării", "Result of the restore"));  // read by its text
    restore_->setText(qL("&Restaurează", "&Restore"));
    restore_->setAccessibleName(qL("Restaurează sesiunile bifate", "Restore the ticked sessions"));
    // Qt's own label would stay English without its translations.
    buttons_->button(QDialogButtonBox::Close)->setText(qL("Închide", "Close"));
    showSessions(snapshots_->currentRow());
}

void RestoreDialog::fill(RingContents contents) {
    stored_ = std::move(contents.snapshots);
    snapshots_->clear();
    for (const StoredSnapshot& stored : stored_) {
        QStringList names;
        for (const std::string& name : stored.snapshot.sessionNames()) names << qs(name);
        auto* item = new QListWidgetItem(when(stored.snapshot.taken) + QStringLiteral("  —  ") + names.join(QStringLiteral(", ")));
        item->setToolTip(qs(stored.file.string()));
        snapshots_->addItem(item);
    }
    if (!contents.keptAside.empty()) {
        QStringList files;
        for (const auto& file : contents.keptAside) files << qs(file.string());
        result_->setText(qL("Instantanee care nu se pot citi, puse deoparte: ", "Unreadable snapshots, kept aside: ") +
                         files.join(QStringLiteral(", ")));
    } else if (stored_.empty()) {
        result_->setText(qL("Niciun instantaneu pentru acest server.", "No snapshots of this server."));
    }
    if (!stored_.empty()) snapshots_->setCurrentRow(0);
    updateButton();
    emit loaded();
}

void RestoreDialog::showSessions(int row) {
    const QSignalBlocker quiet(sessions_);
    sessions_->clear();
    if (row < 0 || row >= static_cast<int>(stored_.size())) return updateButton();
    for (const SnapshotSession& session : stored_[static_cast<std::size_t>(row)].snapshot.sessions) {
        const bool running = isRunning(context_.env, session.name);
        const QString counts = windowCountText(static_cast<std::int64_t>(session.windows.size())) +
                               QStringLiteral(", ") + paneCountText(session.paneCount());
        QString label = qs(session.name) + QStringLiteral(" (") + counts + QStringLiteral(")");
        if (running) label += QStringLiteral(" — ") + qL("rulează", "running");
        auto* item = new QListWidgetItem(label);
        item->setData(Qt::UserRole, qs(session.name));
        item->setFlags(running ? Qt::ItemIsUserCheckable : Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(running ? Qt::Unchecked : Qt::Checked);
        sessions_->addItem(item);
    }
    updateButton();
}

void RestoreDialog::updateButton() {
    bool any = false;
    for (int i = 0; i < sessions_->count(); ++i)
        any = any || (sessions_->item(i)->checkState() == Qt::Checked && sessions_->item(i)->flags().testFlag(Qt::ItemIsEnabled));
    restore_->setEnabled(any && !running_);
}

void RestoreDialog::restoreChosen() {
    const int row = snapshots_->currentRow();
    if (running_ || row < 0 || row >= static_cast<int>(stored_.size())) return;
    std::set<std::string> chosen;
    for (int i = 0; i < sessions_->count(); ++i) {
        const QListWidgetItem* item = sessions_->item(i);
        if (item->checkState() == Qt::Checked && item->flags().testFlag(Qt::ItemIsEnabled))
            chosen.insert(item->data(Qt::UserRole).toString().toStdString());
    }
    if (chosen.empty()) return;
    running_ = true;
    updateButton();
    result_->setText(qL("Se restaurează…", "Restoring…"));
    context_.env.snapshots().restore(stored_[static_cast<std::size_t>(row)].snapshot, std::move(chosen),
                                     [self = QPointer(this)](RestoreReport report) {
                                         if (!self) return;
                                         self->running_ = false;
                                         self->result_->setText(restoreReportText(report));
                                         self->showSessions(self->snapshots_->currentRow());
                                         emit self->restored();
                                     });
}

}  // namespace quillon::ui

#include "moc_restore_dialog.cpp"
