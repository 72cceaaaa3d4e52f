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
    connect(&context.env, &AppEnvironment::hostsChanged, this, &ServersView::reload);
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
    if (loading_) {
        again_ = true;  // hosts changed meanwhile: one more census after this one
        return;
    }
    const auto& client = context_.env.client();
    if (!client) return;
    loading_ = true;
    refresh_->setEnabled(false);
    QPointer<ServersView> self(this);
    QThreadPool::globalInstance()->start([self, client = *client, hosts = context_.env.hosts()] {
        ServerCensus census = ServerCensus::take(client, hosts);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, census = std::move(census)]() mutable {
                if (self) self->present(std::move(census));
            },
            Qt::QueuedConnection);
    });
}

void ServersView::present(ServerCensus census) {
    loading_ = false;
    refresh_->setEnabled(true);
    census_ = std::move(census);
    fillTree();
    emit censusShown();
    if (again_) {
        again_ = false;
        reload();
    }
}

void ServersView::fillTree() {
    model_->removeRows(0, model_->rowCount());
    if (!census_) return;
    const auto& client = context_.env.client();
    QStandardItem* shownRow = nullptr;  // where the keyboard starts
    auto addGroup = [&](const QString& title, int group, const std::vector<ServerRow>& rows,
                        const std::optional<std::string>& error) {
        auto* parent = cell(title);
        QFont bold = font();
        bold.setBold(true);
        parent->setFont(bold);
        parent->setSelectable(false);
        QList<QStandardItem*> groupRow{parent};
        for (int c = 1; c < columnCount; ++c) groupRow << cell({});
        model_->appendRow(groupRow);
        if (error) {
            parent->appendRow({cell(qL("inaccesibilă", "unreachable")), cell(qs(*error))});
            return;
        }
        if (rows.empty()) parent->appendRow({cell(qL("niciun socket tmux", "no tmux socket"))});
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const ServerRow& row = rows[i];
            const bool shown = client && addresses(*client, row.server);
            QString name = qs(row.server.socketName ? *row.server.socketName : row.server.socketPath);
            if (shown) name = QStringLiteral("▸ ") + name + qL(" (afișat)", " (shown)");
            QList<QStandardItem*> cells{
                cell(name), cell(stateText(row.server)), cell(row.version ? qs(*row.version) : QStringLiteral("—")),
                cell(row.server.liveness == ServerLiveness::alive ? QString::number(row.server.sessions.size())
                                                                   : QStringLiteral("—")),
                cell(row.clients ? QString::number(*row.clients) : QStringLiteral("—"))};
            cells[0]->setToolTip(plainToolTip(qs(row.server.socketPath)));
            if (shown) shownRow = cells[0];
            if (shown) cells[0]->setFont([&] {
                QFont f = font();
                f.setBold(true);
                return f;
            }());
            for (QStandardItem* item : cells) {
                item->setData(group, GroupRole);
                item->setData(int(i), RowRole);
            }
            parent->appendRow(cells);
        }
    };
    addGroup(qL("Acest calculator — ", "This machine — ") + qs(census_->socketDirectory), 0, census_->local,
             std::nullopt);
    for (std::size_t h = 0; h < census_->hosts.size(); ++h) {
        const HostRows& host = census_->hosts[h];
        addGroup(QStringLiteral("⇄ ") + qs(host.destination), int(h) + 1, host.servers, host.error);
    }
    // A group's title spans the row, so the columns fit the servers, and the state (with
    // its reason) takes the width that is left.
    for (int g = 0; g < model_->rowCount(); ++g) tree_->setFirstColumnSpanned(g, {}, true);
    tree_->expandAll();
    for (int c : {socketColumn, versionColumn, sessionsColumn, clientsColumn}) tree_->resizeColumnToContents(c);
    if (shownRow) tree_->setCurrentIndex(shownRow->index());
    syncButtons();
}

std::optional<TmuxServer> ServersView::selectedServer() const {
    if (!census_) return std::nullopt;
    const QModelIndexList rows = tree_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    const QVariant group = rows.front().data(GroupRole), row = rows.front().data(RowRole);
    if (!group.isValid() || !row.isValid()) return std::nullopt;
    const std::vector<ServerRow>& list =
        group.toInt() == 0 ? census_->local : census_->hosts.at(std::size_t(group.toInt() - 1)).servers;
    return list.at(std::size_t(row.toInt())).server;
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
