#include "app/ui/search/pane_search_panel.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/app_environment.h"
#include "app/ui/search/pane_search_runner.h"
#include "app/ui/search/search_results_model.h"
#include "app/ui/search/search_row_delegate.h"
#include "app/ui/search/search_scrollback.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

PaneSearchPanel::PaneSearchPanel(UiContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("paneSearch"));
    resize(760, 560);
    field_ = new QLineEdit(this);
    regex_ = new QCheckBox(this);
    error_ = new QLabel(this);
    error_->setTextFormat(Qt::PlainText);
    error_->setWordWrap(true);
    QPalette errorColours = error_->palette();
    errorColours.setColor(QPalette::WindowText, Theme::red());
    error_->setPalette(errorColours);
    error_->hide();
    summary_ = new QLabel(this);
    summary_->setTextFormat(Qt::PlainText);
    model_ = new SearchResultsModel(this);
    list_ = new QListView(this);
    list_->setModel(model_);
    list_->setItemDelegate(new SearchRowDelegate(list_));
    list_->setUniformItemSizes(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    runner_ = new PaneSearchRunner(this);
    debounce_ = new QTimer(this);
    debounce_->setSingleShot(true);
    debounce_->setInterval(debounceMs);

    auto* top = new QHBoxLayout;
    top->addWidget(field_, 1);
    top->addWidget(regex_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(error_);
    column->addWidget(summary_);
    column->addWidget(list_, 1);

    connect(field_, &QLineEdit::textChanged, debounce_, qOverload<>(&QTimer::start));
    connect(regex_, &QCheckBox::toggled, debounce_, qOverload<>(&QTimer::start));
    connect(debounce_, &QTimer::timeout, this, &PaneSearchPanel::searchNow);
    connect(runner_, &PaneSearchRunner::finished, this, &PaneSearchPanel::showResult);
    connect(list_, &QListView::activated, this, [this](const QModelIndex& index) { openRow(index.row()); });
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) { openRow(index.row()); });
    connect(&context_.env, &AppEnvironment::languageChanged, this, &PaneSearchPanel::relabel);
    connect(&context_.env, &AppEnvironment::serverChanged, this, &PaneSearchPanel::forgetServer);
    connect(&context_.env, &AppEnvironment::refreshFinished, this, [this] {
        if (std::exchange(searchWhenKnown_, false) && !field_->text().isEmpty()) searchNow();
    });
    field_->installEventFilter(this);
    relabel();
}

void PaneSearchPanel::open() {
    scrollback_ = SearchScrollback::load();
    show();
    raise();
    activateWindow();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void PaneSearchPanel::searchNow() {
    debounce_->stop();
    error_->hide();
    const std::string text = toStd(field_->text());
    if (text.empty()) {
        runner_->cancel();
        model_->clear();
        return showSummary();
    }
    const auto& client = context_.env.client();
    if (!client) {
        runner_->cancel();
        model_->clear();
        return summary_->setText(qL("tmux nu a fost găsit.", "tmux was not found."));
    }
    SearchOptions options;
    options.lines = scrollback_;
    options.maxResults = maxResults;
    TmuxClient bounded = *client;
    if (timeLimit_) bounded.timeout = *timeLimit_;
    if (auto failure = runner_->start(bounded, searchPanes(context_.env.sessions()), {text, regex_->isChecked()},
                                      options)) {
        model_->clear();
        error_->setText(qs(*failure));
        error_->show();
        return summary_->clear();
    }
    lines_ = options.lines;
    searched_ = context_.env.serverIdentity();
    searchWhenKnown_ = false;
    summary_->setText(qL("Caut…", "Searching…"));
}

void PaneSearchPanel::showResult(const SearchResult& result) {
    model_->setResult(result);
    if (const int first = model_->matchRowFrom(0); first >= 0) list_->setCurrentIndex(model_->index(first));
    showSummary();
}

void PaneSearchPanel::showSummary() {
    if (field_->text().isEmpty()) {
        summary_->setText(qL("Scrie ce cauți în toate pane-urile serverului.",
                             "Type what to find in every pane of the server."));
        return;
    }
    const SearchResult& result = model_->result();
    QString text = matchesInPanes(result.matchCount, result.hits.size());
    if (result.truncated)
        text += qL(" (primele ", " (the first ") + QString::number(maxResults) + QStringLiteral(")");
    if (!result.notRead.empty())
        text += QStringLiteral(" · ") + qL("necitite: ", "not read: ") + QString::number(result.notRead.size());
    summary_->setText(text);
}

void PaneSearchPanel::forgetServer() {
    debounce_->stop();
    runner_->cancel();
    model_->clear();
    error_->hide();
    // The new server's panes are known only after its first refresh.
    searchWhenKnown_ = !field_->text().isEmpty();
    if (searchWhenKnown_) summary_->setText(qL("Caut…", "Searching…"));
    else showSummary();
}

bool PaneSearchPanel::busy() const { return debounce_->isActive() || runner_->running(); }

bool PaneSearchPanel::openRow(int row) {
    // A click can also activate, depending on the style: the first one opens.
    if (!isVisible() || row < 0 || row >= model_->rowCount()) return false;
    const auto& picked = model_->row(row);
    if (picked.kind != SearchResultsModel::Kind::match || searched_ != context_.env.serverIdentity()) return false;
    const PaneHits& hits = model_->result().hits[std::size_t(picked.hit)];
    emit matchChosen(hits.pane, hits.matches[std::size_t(picked.match)], lines_);
    hide();
    return true;
}

bool PaneSearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (debounce_->isActive()) searchNow();
            const int current = list_->currentIndex().row();
            openRow(model_->matchRowFrom(current < 0 ? 0 : current));
            return true;
        }
        if (key == Qt::Key_Down && model_->rowCount() > 0) {
            list_->setFocus(Qt::TabFocusReason);
            if (!list_->currentIndex().isValid()) list_->setCurrentIndex(model_->index(std::max(model_->matchRowFrom(0), 0)));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PaneSearchPanel::relabel() {
    setWindowTitle(qL("Caută în pane-uri", "Search panes"));
    field_->setPlaceholderText(qL("Caută în toate pane-urile (text sau regex)", "Search every pane (text or regex)"));
    field_->setAccessibleName(qL("Caută în pane-uri", "Search panes"));
    regex_->setText(QStringLiteral("Regex"));
    regex_->setToolTip(qL("Tratează textul ca expresie regulată", "Treat the text as a regular expression"));
    regex_->setAccessibleName(QStringLiteral("Regex"));
    // No fixed names: a screen reader reads these labels by their changing text.
    error_->setAccessibleDescription(qL("Eroarea expresiei", "Expression error"));
    summary_->setAccessibleDescription(qL("Rezumatul căutării", "Search summary"));
    list_->setAccessibleName(qL("Rezultatele căutării", "Search results"));
    model_->relabel();
    if (!runner_->running()) showSummary();
}

}  // namespace quillon::ui

#include "moc_pane_search_panel.cpp"
