#include "app/ui/automation/scanner_view.h"

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/scanner_engine.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/automation/scan_event_list.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

QPixmap dot(const QColor& color, int size) {
    QPixmap pixmap(size * 2, size * 2);  // drawn at twice the size for high-density screens
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, size, size));
    return pixmap;
}

// A prominent button filled with a colour.
void tint(QPushButton* button, const QColor& color, std::string_view symbol) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, color.darker(115));  // white text stays readable on the green
    palette.setColor(QPalette::ButtonText, Qt::white);
    button->setPalette(palette);
    button->setIcon(Icons::tinted(symbol, Qt::white));
}

}  // namespace

ScannerView::ScannerView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    engine_ = new ScannerEngine(context.env, context.rules, context.notifier, this);
    events_ = new ScanEventListModel(*engine_, this);
    filtered_ = new QSortFilterProxyModel(this);
    filtered_->setSourceModel(events_);
    filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    title_ = new QLabel(QStringLiteral("Scanner"), this);
    title_->setFont(Paint::titleFont(font()));
    auto* bar = new QWidget(this);
    buildToolbar(bar);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    logArea_ = new QStackedWidget(this);
    empty_ = new EmptyState("dot.radiowaves.left.and.right", logArea_);
    log_ = new QListView(logArea_);
    log_->setModel(filtered_);
    log_->setItemDelegate(new ScanEventDelegate(log_));
    log_->setUniformItemSizes(true);
    log_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    log_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    log_->setFrameShape(QFrame::NoFrame);
    log_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(Icons::symbol("doc.on.doc"), QString(), log_);
    copy->setObjectName(QStringLiteral("copyEvents"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    log_->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] {
        QModelIndexList rows = log_->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end());
        QStringList lines;
        for (const QModelIndex& row : rows)
            lines << row.data(ScanEventListModel::timeRole).toString() + QStringLiteral(" ") + row.data().toString();
        if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
    });
    logArea_->addWidget(empty_);
    logArea_->addWidget(log_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 12);
    column->setSpacing(10);
    column->addWidget(title_);
    column->addWidget(bar);
    column->addWidget(divider);
    column->addWidget(logArea_, 1);

    // The newest event stays in sight.
    connect(filtered_, &QAbstractItemModel::rowsInserted, log_, &QListView::scrollToBottom);
    connect(filtered_, &QAbstractItemModel::rowsRemoved, log_, &QListView::scrollToBottom);
    connect(engine_, &ScannerEngine::eventsChanged, this, &ScannerView::updateLog);
    connect(engine_, &ScannerEngine::runningChanged, this, [this] {
        updateStatus();
        updateEmptyState();
    });

    auto& env = context.env;
    connect(&env, &AppEnvironment::scannerIntervalChanged, this, [this] {
        if (engine_->running()) engine_->schedule();
        updateStatus();
    });
    connect(&env, &AppEnvironment::scannerModeChanged, this, [this] {
        if (engine_->running()) {
            engine_->stop();
            engine_->start();
        }
        updateStatus();
    });
    connect(&env, &AppEnvironment::languageChanged, this, &ScannerView::relabel);
    relabel();
}

void ScannerView::buildToolbar(QWidget* bar) {
    dot_ = new QLabel(bar);
    dot_->setPixmap(dot(Theme::green(), 7));
    status_ = new QLabel(bar);
    status_->setTextFormat(Qt::PlainText);
    stoppedStatus_ = new SecondaryLabel({}, bar);
    filter_ = new QLineEdit(bar);
    filter_->setFixedWidth(160);
    startStop_ = new QPushButton(bar);
    setFocusProxy(startStop_);  // a screen that opens takes the focus where the work is
    clear_ = new QPushButton(Icons::symbol("trash"), QString(), bar);

    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(dot_);
    row->addWidget(status_);
    row->addWidget(stoppedStatus_);
    row->addStretch(1);
    row->addWidget(filter_);
    row->addWidget(startStop_);
    row->addWidget(clear_);

    connect(filter_, &QLineEdit::textChanged, filtered_, &QSortFilterProxyModel::setFilterFixedString);
    connect(startStop_, &QPushButton::clicked, this, [this] {
        if (engine_->running()) engine_->stop();
        else engine_->start();
    });
    connect(clear_, &QPushButton::clicked, engine_, &ScannerEngine::clearEvents);
}

void ScannerView::relabel() {
    filter_->setPlaceholderText(qL("filtru", "filter"));
    filter_->setAccessibleName(filter_->placeholderText());
    clear_->setText(qL("Curăță", "Clear"));
    log_->setAccessibleName(qL("Evenimente", "Events"));
    log_->actions().front()->setText(qL("Copiază", "Copy"));
    updateStatus();
    updateEmptyState();
    updateLog();
}

void ScannerView::updateStatus() {
    const auto& env = context_.env;
    const bool running = engine_->running();
    dot_->setVisible(running);
    status_->setVisible(running);
    stoppedStatus_->setVisible(!running);
    status_->setText(env.scannerMode() == ScannerMode::controlMode
                         ? QStringLiteral("control mode (push)")
                         : QStringLiteral("polling la ") + QString::number(env.scannerInterval(), 'f', 1) + QStringLiteral("s"));
    stoppedStatus_->setText(qL("oprit", "stopped") + QStringLiteral(" · ") + qs(label(env.scannerMode())) + QStringLiteral(" ") +
                            qL("(schimbă în Setări)", "(change in Settings)"));
    startStop_->setText(running ? qL("Oprește", "Stop") : qL("Pornește", "Start"));
    tint(startStop_, running ? Theme::red() : Theme::green(), running ? "stop.fill" : "play.fill");
}

void ScannerView::updateLog() {
    const bool none = engine_->events().empty();
    logArea_->setCurrentWidget(none ? static_cast<QWidget*>(empty_) : log_);
}

void ScannerView::updateEmptyState() {
    empty_->setTitle(qL("Log gol", "Empty log"));
    empty_->setDescription(engine_->running()
                               ? qL("Aștept modificări… creează/închide o sesiune ca să vezi evenimente.",
                                    "Waiting for changes… create/close a session to see events.")
                               : qL("Pornește scanner-ul ca să monitorizezi schimbările de sesiuni, ferestre și pane-uri.",
                                    "Start the scanner to monitor session, window and pane changes."));
}

}  // namespace quillon::ui

#include "moc_scanner_view.cpp"
