#include "app/ui/sessions/send_panel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "app/app_environment.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/keyed_list_model.h"
#include "app/ui/widgets/ui_text.h"
#include "core/text.h"

namespace quillon::ui {

// The sent commands, newest first; each appears once.
class HistoryModel : public KeyedListModel<std::string> {
public:
    using KeyedListModel::KeyedListModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return qs(at(index.row()));
        return {};
    }
    void remember(const std::string& command) {
        std::vector<std::string> next{command};
        for (const std::string& old : rows_)
            if (old != command && next.size() < SendPanel::historyLimit) next.push_back(old);
        replaceRows(std::move(next), [](const std::string& s) -> const std::string& { return s; });
    }
};

class HistoryDelegate : public CardDelegate {
public:
    enum Action { reuse };
    static constexpr int rowHeight = 30;
    explicit HistoryDelegate(QObject* parent) : CardDelegate(rowHeight, parent) {}

    std::vector<CardButton> buttons(const QModelIndex&) const override {
        return {{reuse, "doc.on.clipboard", {}, qL("Reia comanda", "Reuse command"), CardButton::Style::flat}};
    }

protected:
    void paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const QRect& content) const override {
        const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        painter.setFont(mono);
        painter.setPen(option.palette.color(QPalette::Text));
        const QString command = index.data().toString();
        painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(mono).elidedText(command, Qt::ElideRight, content.width()));
    }
};

SendPanel::SendPanel(AppEnvironment& env, QWidget* parent) : QWidget(parent), env_(env) {
    pickerLabel_ = new QLabel(this);
    picker_ = new QComboBox(this);
    picker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(pickerLabel_);
    pickerRow->addWidget(picker_, 1);

    command_ = new QLineEdit(this);
    command_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    command_->setClearButtonEnabled(true);
    send_ = new QPushButton(this);
    send_->setDefault(true);
    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(command_, 1);
    commandRow->addWidget(send_);

    quickLabel_ = new SecondaryLabel({}, this);
    auto* quickRow = new QHBoxLayout;
    quickRow->addWidget(quickLabel_);
    for (const char* key : {"Enter", "C-c", "C-d", "C-l"}) {
        auto* button = new QPushButton(QString::fromLatin1(key), this);
        connect(button, &QPushButton::clicked, this, [this, key] { sendQuickKey(key); });
        quickKeys_.push_back(button);
        quickRow->addWidget(button);
    }
    quickRow->addStretch(1);

    historyLabel_ = new QLabel(this);
    QFont bold = font();
    bold.setBold(true);
    historyLabel_->setFont(bold);
    historyModel_ = new HistoryModel(this);
    historyDelegate_ = new HistoryDelegate(this);
    historyList_ = new CardListView(this);
    historyList_->setModel(historyModel_);
    historyList_->setItemDelegate(historyDelegate_);
    note_ = new SecondaryLabel({}, this);
    note_->setWordWrap(true);

    auto* column = new QVBoxLayout(this);
    column->addLayout(pickerRow);
    column->addLayout(commandRow);
    column->addLayout(quickRow);
    column->addWidget(note_);
    column->addSpacing(8);
    column->addWidget(historyLabel_);
    column->addWidget(historyList_, 100);  // takes the room when shown, the stretch below when not
    column->addStretch(1);

    connect(picker_, qOverload<int>(&QComboBox::activated), this,
            [this](int row) { setTarget(toStd(picker_->itemData(row).toString())); });
    connect(command_, &QLineEdit::returnPressed, this, &SendPanel::send);
    connect(send_, &QPushButton::clicked, this, &SendPanel::send);
    connect(historyDelegate_, &CardDelegate::buttonClicked, this,
            [this](const QModelIndex& index, int) { reuse(std::size_t(index.row())); });
    connect(historyList_, &CardListView::activated, this, [this](const QModelIndex& index) { reuse(std::size_t(index.row())); });
    connect(historyList_, &CardListView::menuRequested, this, [this](const QModelIndex& index, const QPoint& at) {
        auto* menu = new QMenu(this);  // not exec(): the screen may go while it is open
        menu->setAttribute(Qt::WA_DeleteOnClose);
        historyDelegate_->addButtonsTo(*menu, index);
        menu->popup(at);
    });
    connect(&env_, &AppEnvironment::languageChanged, this, &SendPanel::relabel);
    relabel();
    showPanes();
}

const TmuxPane* SendPanel::pane(const std::string& target) const {
    auto it = std::find_if(panes_.begin(), panes_.end(), [&](const TmuxPane& p) { return p.target == target; });
    return it == panes_.end() ? nullptr : &*it;
}

void SendPanel::setPanes(std::vector<TmuxPane> panes) {
    panes_ = std::move(panes);
    if (!target_.empty()) {
        auto same = std::find_if(panes_.begin(), panes_.end(), [&](const TmuxPane& p) { return p.paneID == targetID_; });
        if (same != panes_.end()) target_ = same->target;
        else ensureTarget();  // the chosen pane closed
    }
    showPanes();
}

void SendPanel::ensureTarget() {
    const TmuxPane* chosen = pane(target_);
    if (chosen && chosen->paneID == targetID_) return;
    auto active = std::find_if(panes_.begin(), panes_.end(), [](const TmuxPane& p) { return p.isActive; });
    if (active == panes_.end()) active = panes_.begin();
    setTarget(active == panes_.end() ? std::string() : active->target);
}

void SendPanel::setTarget(const std::string& target) {
    const TmuxPane* chosen = pane(target);
    target_ = chosen ? target : std::string();
    targetID_ = !chosen ? std::string() : chosen->paneID.empty() ? chosen->target : chosen->paneID;
    showPanes();
}

void SendPanel::showPanes() {
    const QSignalBlocker quiet(picker_);
    bool same = picker_->count() == int(panes_.size());
    for (std::size_t i = 0; same && i < panes_.size(); ++i)
        same = picker_->itemData(int(i)).toString() == qs(panes_[i].target) &&
               picker_->itemText(int(i)).endsWith(qs(panes_[i].command));
    if (!same) {
        picker_->clear();
        for (const TmuxPane& p : panes_) picker_->addItem(qs(p.target) + QStringLiteral(" · ") + qs(p.command), qs(p.target));
    }
    picker_->setCurrentIndex(picker_->findData(qs(target_)));
}

void SendPanel::send() {
    if (target_.empty()) return;
    const std::string command(text::trim(toStd(command_->text())));
    env_.sendKeys(targetID_, command, true);
    if (!command.empty()) {
        historyModel_->remember(command);
        historyLabel_->show();
        historyList_->show();
    }
    command_->clear();
}

void SendPanel::sendQuickKey(const std::string& key) {
    if (target_.empty()) return;
    if (key == "Enter") env_.sendKeys(targetID_, {}, true);
    else env_.sendKeys(targetID_, key, false);
}

const std::vector<std::string>& SendPanel::history() const { return historyModel_->items(); }

void SendPanel::reuse(std::size_t position) {
    if (position >= history().size()) return;
    command_->setText(qs(history()[position]));
    command_->setFocus();
}

void SendPanel::relabel() {
    pickerLabel_->setText(qL("Pane țintă", "Target pane"));
    picker_->setAccessibleName(pickerLabel_->text());
    command_->setPlaceholderText(qL("comandă de rulat în pane", "command to run in pane"));
    command_->setAccessibleName(command_->placeholderText());
    send_->setText(qL("Trimite", "Send"));
    quickLabel_->setText(qL("Taste rapide:", "Quick keys:"));
    historyLabel_->setText(qL("Istoric", "History"));
    historyList_->setAccessibleName(historyLabel_->text());
    historyList_->viewport()->update();
    note_->setText(qL("Comenzile sunt trimise cu tmux send-keys către pane-ul ales, fără attach.",
                      "Commands are sent with tmux send-keys to the chosen pane, without attaching."));
    historyLabel_->setVisible(!history().empty());
    historyList_->setVisible(!history().empty());
}

}  // namespace quillon::ui

#include "moc_send_panel.cpp"
