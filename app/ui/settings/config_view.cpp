#include "app/ui/settings/config_view.h"

#include <QDesktopServices>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/paths.h"

namespace quillon::ui {
namespace {

constexpr const char* starterExample =
    "# mouse + istoricul mai mare\nset -g mouse on\nset -g history-limit 50000\n# numerotare de la 1\nset -g base-index 1";

}  // namespace

ConfigView::ConfigView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    title_ = new QLabel(this);
    title_->setFont(Paint::titleFont(font()));
    pathLabel_ = new QLabel(QStringLiteral("~/.tmux.conf"), this);
    pathLabel_->setTextFormat(Qt::PlainText);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    pathLabel_->setFont(mono);
    open_ = new QPushButton(Icons::symbol("square.and.pencil"), QString(), this);
    reload_ = new QPushButton(Icons::symbol("arrow.clockwise.circle"), QString(), this);
    auto* header = new QHBoxLayout;
    header->addWidget(symbolLabel("doc.text", Theme::secondary(palette()), 16, this));
    header->addWidget(pathLabel_);
    header->addStretch(1);
    header->addWidget(open_);
    header->addWidget(reload_);

    done_ = new StatusLine("checkmark.circle", Theme::green(), this);
    error_ = new StatusLine("exclamationmark.triangle", Theme::orange(), this);

    content_ = new QStackedWidget(this);
    text_ = new QPlainTextEdit(content_);
    text_->setReadOnly(true);
    setFocusProxy(text_);  // a screen that opens takes the focus where the work is
    text_->setUndoRedoEnabled(false);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setFont(mono);
    auto* missing = new QWidget(content_);
    missingTitle_ = new QLabel(missing);
    QFont bold = font();
    bold.setBold(true);
    missingTitle_->setFont(bold);
    missingLine_ = new SecondaryLabel({}, missing);
    missingLine_->setWordWrap(true);
    example_ = new QLabel(QString::fromUtf8(starterExample), missing);
    example_->setTextFormat(Qt::PlainText);
    example_->setFont(mono);
    example_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(symbolLabel("doc.questionmark", Theme::orange(), 16, missing));
    titleRow->addWidget(missingTitle_, 1);
    auto* missingColumn = new QVBoxLayout(missing);
    missingColumn->setContentsMargins(0, 8, 0, 0);
    missingColumn->addLayout(titleRow);
    missingColumn->addWidget(missingLine_);
    missingColumn->addWidget(example_);
    missingColumn->addStretch(1);
    content_->addWidget(text_);
    content_->addWidget(missing);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 12);
    column->setSpacing(10);
    column->addWidget(title_);
    column->addLayout(header);
    column->addWidget(done_);
    column->addWidget(error_);
    column->addWidget(content_, 1);

    connect(open_, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl::fromLocalFile(qs(configPath()))); });
    connect(reload_, &QPushButton::clicked, this, &ConfigView::reload);
    auto& env = context_.env;
    connect(&env, &AppEnvironment::serverRunningChanged, this, &ConfigView::showServerState);
    connect(&env, &AppEnvironment::lastErrorChanged, this, &ConfigView::showStatus);
    connect(&env, &AppEnvironment::languageChanged, this, &ConfigView::relabel);
    load();
    relabel();
}

std::string ConfigView::configPath() { return paths::expandTilde("~/.tmux.conf"); }

void ConfigView::load() {
    configText_.reset();
    QFile file(qs(configPath()));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) configText_ = bytes.toStdString();
    }
    if (configText_ && toStd(text_->toPlainText()) != *configText_) text_->setPlainText(qs(*configText_));
    content_->setCurrentIndex(configText_ ? 0 : 1);
    open_->setEnabled(configText_.has_value());
}

void ConfigView::showEvent(QShowEvent* event) {
    load();
    QWidget::showEvent(event);
}

void ConfigView::changeEvent(QEvent* event) {
    // Back from the editor "Open in editor" started: show what was saved there.
    if (event->type() == QEvent::ActivationChange && isVisible() && isActiveWindow()) load();
    QWidget::changeEvent(event);
}

void ConfigView::reload() {
    reloadDone_ = false;
    showStatus();
    QPointer<ConfigView> self(this);
    context_.env.reloadConfig([self] {
        if (!self) return;
        self->reloadDone_ = !self->context_.env.lastError();
        self->showStatus();
    });
}

void ConfigView::showServerState() {
    const bool running = context_.env.serverRunning();
    reload_->setEnabled(running);
    reload_->setToolTip(running ? QStringLiteral("tmux source-file ~/.tmux.conf")
                                : qL("Serverul tmux nu rulează", "tmux server is not running"));
}

void ConfigView::showStatus() {
    done_->setVisible(reloadDone_);
    const auto& error = context_.env.lastError();
    error_->setVisible(error.has_value());
    if (error) error_->setText(qs(*error));
}

QString ConfigView::statusText() const {
    QStringList lines;
    for (StatusLine* line : {done_, error_})
        if (line->isVisibleTo(this)) lines << line->text();
    return lines.join(QLatin1Char('\n'));
}

void ConfigView::relabel() {
    title_->setText(qL("Config tmux", "tmux config"));
    open_->setText(qL("Deschide în editor", "Open in editor"));
    reload_->setText(qL("Reîncarcă pe server", "Reload on server"));
    done_->setText(qL("Config reîncărcat pe server.", "Config reloaded on server."));
    text_->setAccessibleName(QStringLiteral("~/.tmux.conf"));
    missingTitle_->setText(qL("Nu există ~/.tmux.conf", "No ~/.tmux.conf"));
    missingLine_->setText(qL("tmux funcționează și fără config, dar unul minimal merită. Exemplu de început:",
                             "tmux works without a config, but a minimal one is worth it. Starter example:"));
    showServerState();
    showStatus();
}

}  // namespace quillon::ui

#include "moc_config_view.cpp"
