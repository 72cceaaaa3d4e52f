#include "app/ui/settings/hosts_page.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ssh_config_hosts.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/ssh_transport.h"

namespace quillon::ui {

HostsPage::HostsPage(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    intro_ = new QLabel(this);
    intro_->setWordWrap(true);
    intro_->setTextFormat(Qt::PlainText);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("hosts"));
    entry_ = new QLineEdit(this);
    entry_->setObjectName(QStringLiteral("hostEntry"));
    add_ = new QPushButton(Icons::symbol("plus"), QString(), this);
    add_->setObjectName(QStringLiteral("addHost"));
    remove_ = new QPushButton(Icons::symbol("trash"), QString(), this);
    remove_->setObjectName(QStringLiteral("removeHost"));
    suggestions_ = new QComboBox(this);
    suggestions_->setObjectName(QStringLiteral("sshConfigHosts"));
    error_ = new StatusLine("exclamationmark.triangle", Theme::orange(), this);
    error_->hide();

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entry_, 1);
    entryRow->addWidget(add_);
    auto* pickRow = new QHBoxLayout;
    pickRow->addWidget(suggestions_, 1);
    pickRow->addWidget(remove_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(intro_);
    column->addWidget(list_, 1);
    column->addLayout(entryRow);
    column->addLayout(pickRow);
    column->addWidget(error_);

    connect(add_, &QPushButton::clicked, this, [this] {
        if (add(entry_->text())) entry_->clear();
    });
    connect(entry_, &QLineEdit::returnPressed, add_, &QPushButton::click);
    connect(remove_, &QPushButton::clicked, this, &HostsPage::removeSelected);
    auto* removeKey = new QAction(list_);  // Delete on the list does what Remove does
    removeKey->setShortcut(QKeySequence::Delete);
    removeKey->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(removeKey);
    connect(removeKey, &QAction::triggered, this, &HostsPage::removeSelected);
    connect(suggestions_, qOverload<int>(&QComboBox::activated), this, [this](int row) {
        if (row > 0) add(suggestions_->itemText(row));
        suggestions_->setCurrentIndex(0);
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { remove_->setEnabled(row >= 0); });
    connect(&context.env, &AppEnvironment::hostsChanged, this, &HostsPage::sync);
    relabel();
    sync();
    readConfigHosts();
}

void HostsPage::readConfigHosts() {
    // A home folder on a network share may be slow: the file is read in the pool.
    QPointer<HostsPage> self(this);
    QThreadPool::globalInstance()->start([self] {
        std::vector<std::string> hosts = SshConfigHosts::read();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, hosts = std::move(hosts)]() mutable {
                if (!self) return;
                self->configHosts_ = std::move(hosts);
                self->fillSuggestions();
            },
            Qt::QueuedConnection);
    });
}

void HostsPage::relabel() {
    intro_->setText(qL("Gazde ssh ale căror servere tmux apar în Servere și în quillon-mcp. Pe ele e nevoie doar "
                       "de tmux; conexiunea folosește configurația ta ssh.",
                       "ssh hosts whose tmux servers show in Servers and in quillon-mcp. They need nothing but "
                       "tmux; the connection uses your ssh configuration."));
    list_->setAccessibleName(qL("Gazde", "Hosts"));
    entry_->setPlaceholderText(qL("destinație, ex. ana@buildbox", "destination, e.g. ana@buildbox"));
    entry_->setAccessibleName(qL("Destinație ssh", "ssh destination"));
    add_->setText(qL("Adaugă", "Add"));
    add_->setAccessibleName(add_->text());
    remove_->setText(qL("Elimină", "Remove"));
    remove_->setAccessibleName(remove_->text());
    suggestions_->setAccessibleName(qL("Gazde din ~/.ssh/config", "Hosts from ~/.ssh/config"));
    fillSuggestions();
}

void HostsPage::fillSuggestions() {
    suggestions_->clear();
    suggestions_->addItem(configHosts_.empty() ? qL("Nicio gazdă în ~/.ssh/config", "No host in ~/.ssh/config")
                                               : qL("Din ~/.ssh/config…", "From ~/.ssh/config…"));
    for (const std::string& host : configHosts_) suggestions_->addItem(qs(host));
    suggestions_->setEnabled(!configHosts_.empty());
}

void HostsPage::sync() {
    const QString current = list_->currentItem() ? list_->currentItem()->text() : QString();
    list_->clear();
    for (const std::string& host : context_.env.hosts()) list_->addItem(qs(host));
    const auto found = list_->findItems(current, Qt::MatchExactly);
    if (!found.isEmpty()) list_->setCurrentItem(found.front());
    remove_->setEnabled(list_->currentRow() >= 0);
}

bool HostsPage::add(const QString& typed) {
    const std::string destination = toStd(typed.trimmed());
    if (auto problem = SshTransport::destinationProblem(destination)) {
        error_->setText(qs(*problem));
        error_->show();
        return false;
    }
    error_->hide();
    error_->setText({});
    std::vector<std::string> hosts = context_.env.hosts();
    hosts.push_back(destination);
    return context_.env.setHosts(hosts);
}

void HostsPage::removeSelected() {
    const int row = list_->currentRow();
    if (row < 0) return;
    std::vector<std::string> hosts = context_.env.hosts();
    if (std::size_t(row) >= hosts.size()) return;
    hosts.erase(hosts.begin() + row);
    context_.env.setHosts(hosts);
}

QString HostsPage::message() const { return error_->text(); }

}  // namespace quillon::ui

#include "moc_hosts_page.cpp"
