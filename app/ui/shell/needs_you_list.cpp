#include "app/ui/shell/needs_you_list.h"

#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/relative_time.h"
#include "app/ui/widgets/state_badge.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

constexpr int rowHeight = 26;
constexpr int visibleRows = 5;

QIcon stateIcon(Urgency urgency) {
    switch (urgency) {
        case Urgency::waiting: return Icons::tinted("keyboard", Theme::orange());
        case Urgency::failed: return Icons::tinted("xmark.circle", Theme::red());
        case Urgency::bell: return Icons::tinted("exclamationmark.triangle", Theme::orange());
        default: return Icons::tinted("checkmark.circle", Theme::green());
    }
}

QString happened(const PaneAttention::Entry& entry) {
    const auto badge = StateBadge::of(&entry.status, true);
    return badge ? badge->text() : QString();
}

}  // namespace

NeedsYouList::NeedsYouList(PaneAttention& attention, QWidget* parent) : QWidget(parent), attention_(attention) {
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setTextFormat(Qt::PlainText);
    list_ = new QListWidget(this);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setUniformItemSizes(true);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(title_);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemClicked, this, &NeedsYouList::choose);
    connect(list_, &QListWidget::itemActivated, this, &NeedsYouList::choose);
    // Queued: the list may change while one of its rows is being clicked.
    connect(&attention_, &PaneAttention::changed, this, &NeedsYouList::refresh, Qt::QueuedConnection);
    // "12s ago" moves with the clock while the panel is open.
    auto* clock = new QTimer(this);
    clock->setInterval(30'000);
    connect(clock, &QTimer::timeout, this, &NeedsYouList::refresh);
    clock->start();
    relabel();
}

QString NeedsYouList::rowText(const PaneAttention::Entry& entry) {
    return qs(entry.pane.target()) + QStringLiteral(" — ") + happened(entry) + QStringLiteral(" — ") +
           RelativeTime::format(entry.at);
}

void NeedsYouList::relabel() { refresh(); }

void NeedsYouList::refresh() {
    shown_ = attention_.needsYou();
    const QString count = QString::number(shown_.size());
    title_->setText(qL("Te așteaptă", "Needs you") + QStringLiteral(" (") + count + QStringLiteral(")"));
    list_->setAccessibleName(qL("Te așteaptă", "Needs you"));
    const int current = list_->currentRow();
    list_->clear();
    for (const auto& entry : shown_) {
        auto* item = new QListWidgetItem(stateIcon(entry.urgency), rowText(entry), list_);
        // The program in front (or the one that ended) only in the tooltip: rows stay short.
        const std::string& program = entry.status.program;
        item->setToolTip(program.empty() ? item->text() : item->text() + QStringLiteral(" · ") + qs(program));
        item->setData(Qt::AccessibleTextRole, item->text());
        item->setSizeHint(QSize(0, rowHeight));
    }
    if (current >= 0 && current < list_->count()) list_->setCurrentRow(current);
    list_->setFixedHeight(std::min<int>(int(shown_.size()), visibleRows) * rowHeight + 4);
    setVisible(!shown_.empty());
}

void NeedsYouList::choose(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (row < 0 || row >= int(shown_.size())) return;
    const PaneAttention::Entry entry = shown_[std::size_t(row)];
    // A row chosen twice (a click that also activates) opens its pane once.
    const auto& now = attention_.needsYou();
    if (std::none_of(now.begin(), now.end(), [&](const PaneAttention::Entry& e) { return e.pane.paneId == entry.pane.paneId; }))
        return;
    attention_.markSeen(entry.pane.paneId);
    emit paneChosen(entry);
}

}  // namespace quillon::ui

#include "moc_needs_you_list.cpp"
