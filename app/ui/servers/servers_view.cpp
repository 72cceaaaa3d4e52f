#include "app/ui/servers/servers_view.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QThreadPool>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <future>
#include <memory>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/tmux_error.h"

namespace quillon::ui {
namespace {

enum Column { socketColumn, stateColumn, versionColumn, sessionsColumn, clientsColumn, columnCount };
// Server rows carry their group (0: this machine, n: host n) and their row in it.
constexpr int GroupRole = Qt::UserRole + 1;
constexpr int RowRole = Qt::UserRole + 2;

QString stateText(const TmuxServer& server) {
    QString state;
    switch (server.liveness) {
        case ServerLiveness::alive: state = qL("viu", "live"); break;
        case ServerLiveness::stale: state = qL("mort (socket rămas)", "stale (socket left)"); break;
        case ServerLiveness::unknown: state = qL("necunoscut", "unknown"); break;
        case ServerLiveness::notSocket: state = qL("nu este un socket", "not a socket"); break;
    }
    if (server.diagnostic && !server.diagnostic->empty()) state += QStringLiteral(" — ") + qs(*server.diagnostic);
    return state;
}

QStandardItem* cell(const QString& text) {
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    item->setToolTip(plainToolTip(text));
    return item;
}

QList<QStandardItem*> serverCells(const ServerRow& row, bool shown) {
    QString name = qs(row.server.socketName ? *row.server.socketName : row.server.socketPath);
    if (shown) name = QStringLiteral("▸ ") + name + qL(" (afișat)", " (shown)");
    const bool alive = row.server.liveness == ServerLiveness::alive;
    QList<QStandardItem*> cells{cell(name), cell(stateText(row.server)),
                                cell(row.version ? qs(*row.version) : QStringLiteral("—")),
                                cell(alive ? QString::number(row.server.sessions.size()) : QStringLiteral("—")),
                                cell(row.clients ? QString::number(*row.clients) : QStringLiteral("—"))};
    cells[0]->setToolTip(plainToolTip(qs(row.server.socketPath)));
    return cells;
}

}  // namespace

ServersView::ServersView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    title_ = new QLabel(this);
    title_->setFont(Paint::titleFont(font()));
    refresh_ = new QPushButton(Icons::symbol("arrow.clockwise"), QString(), this);
    refresh_->setObjectName(QStringLiteral("refreshServers"));
    auto* header = new QHBoxLayout;
    header->addWidget(title_, 1);
    header->addWidget(refresh_);

    model_ = new QStandardItemModel(this);
    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("servers"));
    tree_->setModel(model_);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusProxy(tree_);  // the screen opens with the focus on its servers
    tree_->header()->setStretchLastSection(false);

    use_ = new QPushButton(Icons::symbol("checkmark.circle"), QString(), this);
    use_->setObjectName(QStringLiteral("useServer"));
    remove_ = new QPushButton(Icons::symbol("trash"), QString(), this);
    remove_->setObjectName(QStringLiteral("removeSocket"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(use_);
    actions->addWidget(remove_);
    actions->addStretch(1);
    error_ = new StatusLine("exclamationmark.triangle", Theme::orange(), this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 12);
    column->setSpacing(10);
    column->addLayout(header);
    column->addWidget(tree_, 1);
    column->addLayout(actions);
    column->addWidget(error_);

    connect(refresh_, &QPushButton::clicked, this, &ServersView::reload);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ServersView::syncButtons);
    connect(use_, &QPushButton::clicked, this, [this] {
        if (auto server = selectedServer()) {
            context_.env.useServer(server->host, server->socketName, server->socketPath);
            fillTree();
        }
    });
    connect(remove_, &QPushButton::clicked, this, [this] { confirmRemoval(); });
    // Return (or a double click) on a row uses it, Delete offers to remove a stale socket.
    connect(tree_, &QTreeView::activated, this, [this] {
        if (use_->isEnabled()) use_->click();
    });
    auto* removeKey = new QAction(tree_);
    removeKey->setShortcut(QKeySequence::Delete);
    removeKey->setShortcutContext(Qt::WidgetShortcut);
    tree_->addAction(removeKey);
    connect(removeKey, &QAction::triggered, this, [this] { confirmRemoval(); });
    connect(&context.env, &AppEnvironment::languageChanged, this, [this] {
        relabel();
        fillTree();
    });
    connect(&context.env, &AppEnvironment::serverChanged, this, &ServersView::fillTree);
    connect(&context.env, &AppEnvironment::hostsChanged, this, &ServersView::start);
    relabel();
    syncButtons();
}

void ServersView::relabel() {
    title_->setText(qL("Servere", "Servers"));
    refresh_->setText(qL("Reîmprospătează", "Refresh"));
    refresh_->setAccessibleName(refresh_->text());
    use_->setText(qL("Folosește acest server", "Use this server"));
    use_->setAccessibleName(use_->text());
    remove_->setText(qL("Șterge socketul…", "Remove socket…"));
    remove_->setAccessibleName(remove_->text());
    tree_->setAccessibleName(qL("Servere tmux", "tmux servers"));
    model_->setHorizontalHeaderLabels({qL("Server", "Server"), qL("Stare", "State"), QStringLiteral("tmux"),
                                       qL("Sesiuni", "Sessions"), qL("Clienți", "Clients")});
    // Only now has the header its sections.
    tree_->header()->setSectionResizeMode(stateColumn, QHeaderView::Stretch);
}

void ServersView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    reload();
}

void ServersView::reload() {
    if (pending_ > 0) {
        again_ = true;  // one more census once this one is whole
        return;
    }
    start();
}

void ServersView::start() {
    const auto& client = context_.env.client();
    if (!client) return;
    again_ = false;
    shown_ = carriedOver(std::move(shown_), context_.env.hosts());
    pending_ = 1 + int(shown_.destinations.size());
    refresh_->setEnabled(false);
    fillTree();
    ask(*client, ++generation_);
}

ServersView::Shown ServersView::carriedOver(Shown last, std::vector<std::string> destinations) {
    // What the last census found stays until its new answer lands; a new host is asked.
    Shown next{std::move(last.socketDirectory), std::move(last.local), std::move(destinations), {}};
    if (next.socketDirectory.empty()) next.socketDirectory = TmuxServerScanner::defaultSocketDirectory();
    for (const std::string& destination : next.destinations) {
        const auto known = std::find(last.destinations.begin(), last.destinations.end(), destination);
        next.hosts.push_back(known == last.destinations.end()
                                 ? std::nullopt
                                 : std::move(last.hosts[std::size_t(known - last.destinations.begin())]));
    }
    return next;
}

void ServersView::ask(const TmuxClient& client, int generation) {
    QPointer<ServersView> self(this);
    // Each part is posted back as soon as it is read, tagged with its census.
    auto post = [self, generation](int group, std::function<void(Shown&)> answer) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, group, answer = std::move(answer)]() mutable {
                if (self) self->land(generation, group, std::move(answer));
            },
            Qt::QueuedConnection);
    };
    auto* pool = QThreadPool::globalInstance();
    pool->start([post, client] {
        auto census = std::make_shared<ServerCensus>(ServerCensus::takeLocal(client));
        post(0, [census](Shown& shown) {
            shown.socketDirectory = census->socketDirectory;
            shown.local = std::move(census->local);
        });
    });
    if (shown_.destinations.empty()) return;
    // One thread per host, so a mute one holds no other; the pool job only waits for them.
    pool->start([post, client, destinations = shown_.destinations] {
        std::vector<std::future<void>> hosts;
        for (std::size_t h = 0; h < destinations.size(); ++h)
            hosts.push_back(std::async(std::launch::async, [&, h] {
                auto rows = std::make_shared<HostRows>(ServerCensus::takeHost(client, destinations[h]));
                post(int(h) + 1, [rows, h](Shown& shown) { shown.hosts.at(h) = std::move(*rows); });
            }));
        for (auto& host : hosts) host.wait();
    });
}

void ServersView::land(int generation, int group, std::function<void(Shown&)> answer) {
    if (generation != generation_) return;  // a census replaced since
    answer(shown_);
    fillGroup(group);
    if (--pending_ > 0) return;
    refresh_->setEnabled(true);
    emit censusShown();
    if (again_) start();
}

void ServersView::fillTree() {
    const auto key = selectedKey();
    model_->removeRows(0, model_->rowCount());
    QFont bold = font();
    bold.setBold(true);
    auto addGroup = [&](const QString& title) {
        auto* parent = cell(title);
        parent->setFont(bold);
        parent->setSelectable(false);
        QList<QStandardItem*> groupRow{parent};
        for (int c = 1; c < columnCount; ++c) groupRow << cell({});
        model_->appendRow(groupRow);
        // A group's title spans the row, so the columns fit the servers.
        tree_->setFirstColumnSpanned(model_->rowCount() - 1, {}, true);
    };
    addGroup(qL("Acest calculator — ", "This machine — ") + qs(shown_.socketDirectory));
    for (const std::string& destination : shown_.destinations) addGroup(QStringLiteral("⇄ ") + qs(destination));
    for (int g = 0; g < model_->rowCount(); ++g) fillGroup(g);
    if (key) reselect(*key);
}

void ServersView::fillGroup(int group) {
    QStandardItem* parent = model_->item(group);
    if (!parent) return;
    parent->removeRows(0, parent->rowCount());
    const std::vector<ServerRow>* rows = groupRows(group);
    const std::optional<std::string>* error = group > 0 && shown_.hosts.at(std::size_t(group - 1))
                                                  ? &shown_.hosts.at(std::size_t(group - 1))->error
                                                  : nullptr;
    const auto& client = context_.env.client();
    QStandardItem* shownRow = nullptr;  // where the keyboard starts
    if (error && *error) {
        parent->appendRow({cell(qL("inaccesibilă", "unreachable")), cell(qs(**error))});
        rows = nullptr;
    } else if (!rows) {
        parent->appendRow({cell(qL("se interoghează…", "asking…"))});
    } else if (rows->empty()) {
        parent->appendRow({cell(qL("niciun socket tmux", "no tmux socket"))});
    }
    for (std::size_t i = 0; rows && i < rows->size(); ++i) {
        const bool shown = client && addresses(*client, (*rows)[i].server);
        QList<QStandardItem*> cells = serverCells((*rows)[i], shown);
        if (shown) {
            shownRow = cells[0];
            QFont bold = font();
            bold.setBold(true);
            cells[0]->setFont(bold);
        }
        for (QStandardItem* item : cells) {
            item->setData(group, GroupRole);
            item->setData(int(i), RowRole);
        }
        parent->appendRow(cells);
    }
    tree_->expand(parent->index());
    for (int c : {socketColumn, versionColumn, sessionsColumn, clientsColumn}) tree_->resizeColumnToContents(c);
    // Keys start at the shown server unless the user already stands on another.
    if (shownRow && !tree_->currentIndex().data(GroupRole).isValid()) tree_->setCurrentIndex(shownRow->index());
    syncButtons();
}

const std::vector<ServerRow>* ServersView::groupRows(int group) const {
    if (group == 0) return shown_.local ? &*shown_.local : nullptr;
    const auto& host = shown_.hosts.at(std::size_t(group - 1));
    return host ? &host->servers : nullptr;
}

std::optional<TmuxServer> ServersView::selectedServer() const {
    const QModelIndexList rows = tree_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    const QVariant group = rows.front().data(GroupRole), row = rows.front().data(RowRole);
    if (!group.isValid() || !row.isValid()) return std::nullopt;
    const std::vector<ServerRow>* list = groupRows(group.toInt());
    if (!list || std::size_t(row.toInt()) >= list->size()) return std::nullopt;
    return (*list)[std::size_t(row.toInt())].server;
}

std::optional<ServersView::RowKey> ServersView::selectedKey() const {
    const QModelIndexList rows = tree_->selectionModel()->selectedRows();
    if (rows.isEmpty() || !rows.front().data(GroupRole).isValid()) return std::nullopt;
    const auto server = selectedServer();
    if (!server) return std::nullopt;
    return RowKey{rows.front().data(GroupRole).toInt(), server->socketPath};
}

void ServersView::reselect(const RowKey& key) {
    const std::vector<ServerRow>* list = groupRows(key.first);
    QStandardItem* parent = model_->item(key.first);
    if (!list || !parent) return;
    for (std::size_t i = 0; i < list->size() && int(i) < parent->rowCount(); ++i)
        if ((*list)[i].server.socketPath == key.second) {
            const QModelIndex index = parent->child(int(i))->index();
            tree_->setCurrentIndex(index);
            tree_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
}

void ServersView::syncButtons() {
    const auto server = selectedServer();
    const auto& client = context_.env.client();
    use_->setEnabled(server && server->liveness != ServerLiveness::stale && server->liveness != ServerLiveness::notSocket &&
                     !(client && addresses(*client, *server)));
    remove_->setEnabled(server && !server->host && server->liveness == ServerLiveness::stale);
}

void ServersView::confirmRemoval() {
    const auto server = selectedServer();
    if (!server || server->host || server->liveness != ServerLiveness::stale) return;
    const std::string path = server->socketPath;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quillon"),
                                qL("Ștergi socketul „" + path + "”?", "Remove socket “" + path + "”?"),
                                QMessageBox::NoButton, this);
    keepPlain(*box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(qL("Niciun server nu răspunde pe el. Se verifică din nou înainte de ștergere.",
                               "No server answers on it. It is checked again before it is removed."));
    QPushButton* destroy = box->addButton(qL("Șterge", "Remove"), QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(qL("Anulează", "Cancel"), QMessageBox::RejectRole));
    connect(destroy, &QPushButton::clicked, this, [this, path] { removeSocket(path); });
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void ServersView::removeSocket(const std::string& path) {
    const auto& client = context_.env.client();
    if (!client) return;
    QPointer<ServersView> self(this);
    QThreadPool::globalInstance()->start([self, client = *client, path] {
        std::optional<std::string> failure;
        try {
            removeStaleSocket(client, path);
        } catch (const TmuxError& error) {
            failure = error.localizedDescription();
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, failure] {
                if (!self) return;
                self->error_->setText(failure ? qs(*failure) : QString());
                self->error_->setVisible(bool(failure));
                self->reload();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace quillon::ui

#include "moc_servers_view.cpp"
