#include "app/ui/sessions/session_detail_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/app_environment.h"
#include "app/template_store.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/sessions/pane_preview.h"
#include "app/ui/search/pane_search_runner.h"
#include "app/ui/search/search_results_model.h"
#include "app/ui/sessions/pane_rows.h"
#include "app/ui/widgets/relative_time.h"
#include "app/ui/sessions/send_panel.h"
#include "app/ui/sessions/session_actions.h"
#include "app/ui/sessions/session_name_rule.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "app/ui/sessions/window_group.h"
#include "core/atomic_file.h"
#include "core/text.h"
#include "core/tmux_target.h"

namespace quillon::ui {
namespace {

enum Fact { created, lastAttached, directory };

std::vector<TmuxPane> allPanes(const TmuxSession& session) {
    std::vector<TmuxPane> panes;
    for (const TmuxWindow& window : session.windows) panes.insert(panes.end(), window.panes.begin(), window.panes.end());
    return panes;
}

// A warning with one destructive button that runs confirmed; cancelling does nothing.
QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message, const QString& action,
                              std::function<void()> confirmed) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quillon"), title, QMessageBox::NoButton, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(message);
    keepPlain(*box);  // the title names a session or window
    QPushButton* destroy = box->addButton(action, QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(qL("Anulează", "Cancel"), QMessageBox::RejectRole));
    QObject::connect(destroy, &QPushButton::clicked, box, std::move(confirmed));
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}

}  // namespace

SessionDetailView::SessionDetailView(UiContext& context, std::string sessionName, QWidget* parent)
    : QWidget(parent), context_(context), sessionName_(std::move(sessionName)) {
    pages_ = new QStackedWidget(this);
    gone_ = new EmptyState("rectangle.slash", pages_);
    content_ = new QWidget(pages_);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(20, 16, 20, 12);
    column->setSpacing(10);
    buildHeader(column);

    tabs_ = new QTabWidget(content_);
    tabs_->setDocumentMode(true);
    buildWindowsTab();
    preview_ = new PanePreview(context_.env, tabs_);
    tabs_->addTab(preview_, QString());
    send_ = new SendPanel(context_.env, tabs_);
    tabs_->addTab(send_, QString());
    buildActivityTab();
    column->addWidget(tabs_, 1);
    setFocusProxy(tabs_);  // a screen that opens takes the focus on its tabs
    bindDeleteToKill();
    pages_->addWidget(content_);
    pages_->addWidget(gone_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pages_);

    chooseExportPath_ = [this](const QString& proposed, std::function<void(const QString&)> use) {
        // Window-modal and not blocking: the screen may go (its session closed) while it is open.
        auto* dialog = new QFileDialog(this, qL("Exportă scrollback-ul", "Export scrollback"), QDir::home().filePath(proposed),
                                       qL("Text și log (*.txt *.log)", "Text and log (*.txt *.log)"));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QFileDialog::fileSelected, this, std::move(use));
        dialog->open();
    };
    connect(preview_, &PanePreview::refreshRequested, this, [this] {
        if (preview_->pane()) loadPreview(preview_->pane()->address());
    });
    connect(preview_, &PanePreview::exportRequested, this, [this] {
        if (preview_->pane()) chooseExport(preview_->pane()->address());
    });
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        if (currentTab() == Tab::send) send_->ensureTarget();
    });

    // Relative times move with the clock, not only with refreshes.
    clock_ = new QTimer(this);
    clock_->setInterval(30'000);
    connect(clock_, &QTimer::timeout, this, [this] {
        if (auto s = session()) showFacts(*s);
    });
    clock_->start();

    auto& env = context_.env;
    connect(&env, &AppEnvironment::sessionsChanged, this, &SessionDetailView::refresh);
    connect(&env, &AppEnvironment::languageChanged, this, &SessionDetailView::relabel);
    connect(&env, &AppEnvironment::preferredTerminalChanged, this, &SessionDetailView::relabel);
    relabel();
}

// ---- Header ----

void SessionDetailView::buildHeader(QVBoxLayout* column) {
    title_ = new QLabel(content_);
    title_->setTextFormat(Qt::PlainText);
    QFont large = Paint::titleFont(font());
    large.setPointSizeF(large.pointSizeF() * 1.25);
    title_->setFont(large);
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    renameButton_ = new QToolButton(content_);
    renameButton_->setIcon(Icons::symbol("pencil"));
    renameButton_->setAutoRaise(true);
    stateBadge_ = new StatusBadge({}, Theme::green(), content_);

    renameRow_ = new QWidget(content_);
    nameField_ = new QLineEdit(renameRow_);
    nameField_->setFixedWidth(220);
    renameOk_ = new QPushButton(QStringLiteral("OK"), renameRow_);
    renameCancel_ = new QPushButton(renameRow_);
    auto* renameLayout = new QHBoxLayout(renameRow_);
    renameLayout->setContentsMargins(0, 0, 0, 0);
    renameLayout->addWidget(nameField_);
    renameLayout->addWidget(renameOk_);
    renameLayout->addWidget(renameCancel_);
    renameRow_->hide();

    attach_ = new QPushButton(Icons::symbol("arrow.up.forward.app"), QString(), content_);
    more_ = new QToolButton(content_);
    more_->setIcon(Icons::symbol("ellipsis.circle"));
    more_->setPopupMode(QToolButton::InstantPopup);
    buildMoreMenu();

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(title_);
    row->addWidget(renameButton_);
    row->addWidget(renameRow_);
    row->addWidget(stateBadge_);
    row->addStretch(1);
    row->addWidget(attach_);
    row->addWidget(more_);
    column->addLayout(row);

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(28);
    facts->setVerticalSpacing(2);
    for (int i = 0; i < 3; ++i) {
        factCaptions_[i] = new SecondaryLabel({}, content_);
        factCaptions_[i]->setFont(Paint::captionFont(font()));
        factValues_[i] = new QLabel(content_);
        factValues_[i]->setTextFormat(Qt::PlainText);
        factValues_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        facts->addWidget(factCaptions_[i], 0, i);
        facts->addWidget(factValues_[i], 1, i);
    }
    facts->setColumnStretch(directory, 1);
    column->addLayout(facts);

    status_ = new StatusLine("checkmark.circle", Theme::green(), content_);
    column->addWidget(status_);

    connect(renameButton_, &QToolButton::clicked, this, &SessionDetailView::startRename);
    // F2 renames from anywhere on the screen, as in file managers.
    auto* renameKey = new QAction(this);
    renameKey->setShortcut(Qt::Key_F2);
    renameKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(renameKey);
    connect(renameKey, &QAction::triggered, this, &SessionDetailView::startRename);
    connect(nameField_, &QLineEdit::returnPressed, this, &SessionDetailView::commitRename);
    connect(renameOk_, &QPushButton::clicked, this, &SessionDetailView::commitRename);
    connect(renameCancel_, &QPushButton::clicked, this, [this] { showRenameField(false); });
    auto* escape = new QAction(nameField_);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WidgetShortcut);
    nameField_->addAction(escape);
    connect(escape, &QAction::triggered, this, [this] { showRenameField(false); });
    connect(attach_, &QPushButton::clicked, this, [this] {
        if (auto s = session()) context_.env.attach(*s);
    });
}

void SessionDetailView::buildMoreMenu() {
    auto* menu = new QMenu(more_);
    actions_ = new SessionActions(context_, [this] { return session(); }, this);
    using Id = SessionActions::Id;
    actions_->addTo(*menu, {Id::openFolder, Id::saveTemplate, Id::copyAttach, Id::copyKill, std::nullopt, Id::kill});
    connect(actions_, &SessionActions::templateSaved, this, [this](const TmuxSession& s) {
        showStatus(qL("Salvată ca template „" + s.name + "”.", "Saved as template “" + s.name + "”."), false);
    });
    connect(actions_, &SessionActions::killRequested, this, [this] { confirmKillSession(); });
    more_->setMenu(menu);
}

void SessionDetailView::bindDeleteToKill() {
    // From the header and the tab bar only: inside a tab (a pane row, the preview) Delete
    // would read as meant for that pane.
    QAction* kill = actions_->action(SessionActions::Id::kill);
    kill->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    for (QWidget* place : std::initializer_list<QWidget*>{tabs_->tabBar(), attach_, more_, renameButton_})
        place->addAction(kill);
}

QMenu* SessionDetailView::moreActions() const { return more_->menu(); }

void SessionDetailView::showRenameField(bool shown) {
    title_->setVisible(!shown);
    renameButton_->setVisible(!shown);
    renameRow_->setVisible(shown);
}

void SessionDetailView::startRename() {
    nameField_->setText(qs(sessionName_));
    showRenameField(true);
    nameField_->setFocus();
    nameField_->selectAll();
}

void SessionDetailView::commitRename() {
    const QString draft = trimmedName(nameField_->text());
    showRenameField(false);
    if (!isValidSessionName(draft) || toStd(draft) == sessionName_) return;
    const auto s = session();
    context_.env.renameSession(s ? s->sessionID : sessionName_, toStd(draft));
}

// ---- Tabs ----

void SessionDetailView::buildWindowsTab() {
    auto* scroll = new QScrollArea(tabs_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    auto* column = new QVBoxLayout(page);
    windowsHeading_ = new QLabel(page);
    QFont bold = font();
    bold.setBold(true);
    windowsHeading_->setFont(bold);
    column->addWidget(windowsHeading_);
    groupsLayout_ = new QVBoxLayout;
    groupsLayout_->setSpacing(10);
    column->addLayout(groupsLayout_);
    column->addStretch(1);
    scroll->setWidget(page);
    tabs_->addTab(scroll, QString());
}

void SessionDetailView::buildActivityTab() {
    auto* page = new QWidget(tabs_);
    activityHeading_ = new QLabel(page);
    QFont bold = font();
    bold.setBold(true);
    activityHeading_->setFont(bold);
    activityCount_ = new SecondaryLabel({}, page);
    auto* heading = new QHBoxLayout;
    heading->addWidget(activityHeading_);
    heading->addWidget(activityCount_);
    heading->addStretch(1);
    activityModel_ = new PaneListModel(this);
    activityModel_->showStates(context_.attention);
    activity_ = new CardListView(page);
    activity_->setModel(activityModel_);
    activity_->setItemDelegate(new PaneRowDelegate(PaneRowDelegate::Style::process, activity_));
    auto* column = new QVBoxLayout(page);
    column->addLayout(heading);
    column->addWidget(activity_, 1);
    tabs_->addTab(page, QString());
}

void SessionDetailView::showTab(Tab tab) { tabs_->setCurrentIndex(int(tab)); }

SessionDetailView::Tab SessionDetailView::currentTab() const { return Tab(tabs_->currentIndex()); }

bool SessionDetailView::showPlace(const QString& tab) {
    static const std::pair<const char*, Tab> tabs[] = {
        {"windows", Tab::windows}, {"preview", Tab::preview}, {"send", Tab::send}, {"activity", Tab::activity}};
    for (const auto& [key, value] : tabs) {
        if (tab != QLatin1String(key)) continue;
        const auto s = session();
        if (value != Tab::preview || !s) return showTab(value), true;
        for (const TmuxWindow& window : s->windows)
            for (const TmuxPane& pane : window.panes)
                if (window.isActive && pane.isActive) return loadPreview(pane.address()), true;
        return showTab(value), true;
    }
    return false;
}

// ---- State ----

std::optional<TmuxSession> SessionDetailView::session() const {
    const auto& sessions = context_.env.sessions();
    auto it = std::find_if(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == sessionName_; });
    if (it == sessions.end()) return std::nullopt;
    return *it;
}

TmuxPane SessionDetailView::paneOf(const std::string& pane) const {
    if (const auto s = session())
        for (const TmuxWindow& window : s->windows)
            for (const TmuxPane& p : window.panes)
                if (p.paneID == pane || p.target == pane) return p;
    TmuxPane given;
    (isTmuxId(pane) ? given.paneID : given.target) = pane;
    return given;
}

void SessionDetailView::refresh() {
    const auto found = session();
    if (!found) return pages_->setCurrentWidget(gone_);
    pages_->setCurrentWidget(content_);
    const TmuxSession& s = *found;
    title_->setText(qs(s.name));
    stateBadge_->setText(s.isAttached ? qL("atașată", "attached") : qL("detașată", "detached"));
    stateBadge_->setColor(s.isAttached ? Theme::green() : Theme::secondary(palette()));
    showFacts(s);
    syncWindowGroups(s);
    auto panes = allPanes(s);
    activityCount_->setText(QString::number(panes.size()) + QStringLiteral(" ") + qL("pane-uri", "panes"));
    activityModel_->setPanes(panes);
    send_->setPanes(std::move(panes));
}

void SessionDetailView::showFacts(const TmuxSession& s) {
    factValues_[created]->setText(RelativeTime::format(s.created));
    factValues_[lastAttached]->setText(s.lastAttached ? RelativeTime::format(*s.lastAttached) : qL("niciodată", "never"));
    factValues_[directory]->setText(qs(s.path));
}

void SessionDetailView::syncWindowGroups(const TmuxSession& s) {
    std::vector<WindowGroup*> next;
    for (const TmuxWindow& window : s.windows) {
        auto kept = std::find_if(groups_.begin(), groups_.end(),
                                 [&](WindowGroup* g) { return g->window().target == window.target; });
        if (kept != groups_.end()) {
            (*kept)->setWindow(s, window);
            next.push_back(*kept);
            groups_.erase(kept);
            continue;
        }
        auto* group = new WindowGroup(context_.env, context_.attention, s, window, groupsLayout_->parentWidget());
        connect(group, &WindowGroup::previewRequested, this, &SessionDetailView::loadPreview);
        connect(group, &WindowGroup::exportRequested, this, &SessionDetailView::chooseExport);
        connect(group, &WindowGroup::closeRequested, this, &SessionDetailView::confirmKillWindow);
        next.push_back(group);
    }
    for (WindowGroup* gone : groups_) {
        groupsLayout_->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    for (int i = 0; i < int(next.size()); ++i) {
        if (groupsLayout_->indexOf(next[std::size_t(i)]) == i) continue;
        groupsLayout_->removeWidget(next[std::size_t(i)]);
        groupsLayout_->insertWidget(i, next[std::size_t(i)]);
    }
    groups_ = std::move(next);
}

void SessionDetailView::relabel() {
    gone_->setTitle(qL("Sesiunea nu mai există", "Session no longer exists"));
    renameButton_->setToolTip(qL("Redenumește sesiunea", "Rename session") + QStringLiteral(" (F2)"));
    renameButton_->setAccessibleName(qL("Redenumește sesiunea", "Rename session"));
    nameField_->setPlaceholderText(qL("nume nou", "new name"));
    nameField_->setAccessibleName(nameField_->placeholderText());
    renameCancel_->setText(qL("Anulează", "Cancel"));
    attach_->setText(qL("Attach în", "Attach in") + QStringLiteral(" ") + qs(displayName(context_.env.preferredTerminal())));
    more_->setToolTip(qL("Mai multe acțiuni", "More actions"));
    more_->setAccessibleName(more_->toolTip());
    const QString captions[] = {qL("Creată", "Created"), qL("Ultima atașare", "Last attached"), qL("Director", "Directory")};
    for (int i = 0; i < 3; ++i) factCaptions_[i]->setText(captions[i]);
    tabs_->setTabText(int(Tab::windows), qL("Ferestre", "Windows"));
    tabs_->setTabText(int(Tab::preview), QStringLiteral("Preview"));
    tabs_->setTabText(int(Tab::send), qL("Trimite", "Send"));
    tabs_->setTabText(int(Tab::activity), qL("Activitate", "Activity"));
    tabs_->setAccessibleName(qL("Secțiunile sesiunii", "Session sections"));
    for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->setAccessibleName(tabs_->tabText(i));
    windowsHeading_->setText(qL("Ferestre & pane-uri", "Windows & panes"));
    activityHeading_->setText(qL("Procese active", "Active processes"));
    activity_->setAccessibleName(activityHeading_->text());
    activity_->viewport()->update();
    refresh();
}

// ---- Preview and export ----

void SessionDetailView::loadPreview(const std::string& pane) {
    const TmuxPane chosen = paneOf(pane);
    preview_->setPane(chosen);
    showTab(Tab::preview);
    const auto request = ++previewRequest_;
    QPointer<SessionDetailView> self(this);
    context_.env.capturePane(chosen.address(), previewLines, [self, request](const std::string& text) {
        // A later click wins over a slow earlier capture.
        if (self && request == self->previewRequest_) self->preview_->setText(std::string(text::trim(text)));
    });
}

void SessionDetailView::showMatch(const std::string& paneID, const std::string& paneTarget, std::int64_t lines,
                                  const LineMatch& match) {
    // The pane as the search found it; the list may not hold it yet.
    TmuxPane found = paneOf(paneID);
    if (found.target.empty()) found.target = paneTarget;
    preview_->setPane(found);
    showTab(Tab::preview);
    const auto request = ++previewRequest_;
    const auto& client = context_.env.client();
    if (!client) return preview_->setText({});
    QPointer<SessionDetailView> self(this);
    PaneSearchRunner::capturePane(*client, paneID, lines, [self, request, match](std::string text) {
        if (!self || request != self->previewRequest_) return;
        // Only the end is trimmed: the line numbers count from the first line.
        text.erase(text.find_last_not_of(" \t\r\n") + 1);
        self->preview_->setText(text);
        const auto [start, size] = matchRangeInQString(match);
        self->preview_->highlight(int(match.line - 1), start, size);
    });
}

QString SessionDetailView::exportFileName(const std::string& paneTarget) {
    QString name = qs(paneTarget);
    name.replace(QLatin1Char(':'), QLatin1Char('-')).replace(QLatin1Char('.'), QLatin1Char('-'));
    return name + QStringLiteral(".log");
}

void SessionDetailView::chooseExport(const std::string& pane) {
    const TmuxPane chosen = paneOf(pane);
    const QString proposed = exportFileName(chosen.target.empty() ? pane : chosen.target);
    chooseExportPath_(proposed, [this, id = chosen.address()](const QString& path) {
        if (!path.isEmpty()) exportScrollback(id, path);
    });
}

void SessionDetailView::exportScrollback(const std::string& pane, const QString& path) {
    QPointer<SessionDetailView> self(this);
    context_.env.captureScrollback(paneOf(pane).address(), [self, path](std::optional<std::string> text, const std::string& error) {
        // Nothing read, nothing written: the chosen file stays as it was.
        if (!text) {
            if (self) self->showStatus(qL("Nu am putut citi scrollback-ul: ", "Could not read the scrollback: ") + qs(error), true);
            return;
        }
        // The file is written even if the screen was left meanwhile; only the report needs it.
        QThreadPool::globalInstance()->start([self, path, text = std::move(*text)] {
            QString failure;
            try {
                writeFileAtomically(path.toStdString(), text);
            } catch (const std::exception& error) {
                failure = qs(error.what());
            }
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, path, failure] {
                if (!self) return;
                if (failure.isEmpty()) self->showStatus(qL("Scrollback salvat în ", "Scrollback saved to ") + path, false);
                else self->showStatus(qL("Nu am putut salva scrollback-ul: ", "Could not save the scrollback: ") + failure, true);
            });
        });
    });
}

void SessionDetailView::showStatus(const QString& text, bool failure) {
    if (failure) status_->setLook("exclamationmark.triangle", Theme::orange());
    else status_->setLook("checkmark.circle", Theme::green());
    status_->setText(text);
    status_->show();
    // A failure stays until the next outcome; a success only needs to be seen.
    if (!failure)
        QTimer::singleShot(10'000, status_, [this, text] {
            if (status_->text() == text) status_->hide();
        });
}

QString SessionDetailView::statusMessage() const { return status_->isVisibleTo(this) ? status_->text() : QString(); }

// ---- Confirmations ----

QMessageBox* SessionDetailView::confirmKillSession() {
    const std::string name = sessionName_;
    // The session shown now, by id: the box may stay open while names change.
    const auto shown = session();
    const std::string id = shown ? shown->sessionID : name;
    return openConfirmation(this, qL("Închizi sesiunea „" + name + "”?", "Close session “" + name + "”?"),
                            qL("Toate procesele din sesiune vor fi terminate.", "All processes in the session will be terminated."),
                            qL("Kill sesiune", "Kill session"), [this, id] { context_.env.killSession(id); });
}

QMessageBox* SessionDetailView::confirmKillWindow(const TmuxWindow& window) {
    const std::string target = window.address();
    return openConfirmation(this, qL("Închizi fereastra „" + window.name + "”?", "Close window “" + window.name + "”?"), {},
                            qL("Kill fereastră", "Kill window"), [this, target] { context_.env.killWindow(target); });
}

}  // namespace quillon::ui

#include "moc_session_detail_view.cpp"
