#include "app/ui/sessions/pane_preview.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

PanePreview::PanePreview(AppEnvironment& env, QWidget* parent) : QWidget(parent), env_(env) {
    title_ = new QLabel(this);
    title_->setTextFormat(Qt::PlainText);
    QFont bold = font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    refresh_ = new QToolButton(this);
    refresh_->setIcon(Icons::symbol("arrow.clockwise"));
    export_ = new QToolButton(this);
    export_->setIcon(Icons::symbol("square.and.arrow.down"));
    for (QToolButton* button : {refresh_, export_}) button->setAutoRaise(true);
    auto* header = new QHBoxLayout;
    header->addWidget(title_, 1);
    header->addWidget(refresh_);
    header->addWidget(export_);

    hint_ = new SecondaryLabel({}, this);
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignCenter);
    view_ = new QPlainTextEdit(this);
    view_->setReadOnly(true);
    view_->setUndoRedoEnabled(false);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    applyColours();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(header);
    column->addWidget(hint_, 1);
    column->addWidget(view_, 1);

    connect(refresh_, &QToolButton::clicked, this, &PanePreview::refreshRequested);
    connect(export_, &QToolButton::clicked, this, &PanePreview::exportRequested);
    connect(&env_, &AppEnvironment::languageChanged, this, &PanePreview::relabel);
    setPane(std::nullopt);
}

void PanePreview::setPane(const std::optional<TmuxPane>& pane) {
    // The same pane renumbered keeps its text; another pane starts afresh.
    const auto key = [](const std::optional<TmuxPane>& p) -> std::optional<std::string> {
        if (!p) return std::nullopt;
        return p->paneID.empty() ? p->target : p->paneID;
    };
    if (key(pane) != key(pane_)) captured_.reset();
    pane_ = pane;
    hint_->setVisible(!pane);
    view_->setVisible(pane.has_value());
    refresh_->setEnabled(pane.has_value());
    export_->setEnabled(pane.has_value());
    if (!captured_) view_->clear();
    relabel();
}

void PanePreview::setText(const std::string& text) {
    if (captured_ == text) return emit textShown();
    const bool fresh = !captured_;
    QScrollBar* bar = view_->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    captured_ = text;
    view_->setExtraSelections({});
    view_->setPlainText(text.empty() ? qL("(gol)", "(empty)") : qs(text));
    // Like a terminal: the newest lines in view, unless the reader scrolled up.
    if (fresh || atBottom) bar->setValue(bar->maximum());
    emit textShown();
}

QString PanePreview::shownText() const { return view_->toPlainText(); }

void PanePreview::highlight(int lineIndex, int start, int length) {
    const QTextBlock block = view_->document()->findBlockByNumber(lineIndex);
    if (!block.isValid()) return;
    start = std::clamp(start, 0, block.length() - 1);
    length = std::clamp(length, 0, block.length() - 1 - start);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + start);
    cursor.setPosition(block.position() + start + length, QTextCursor::KeepAnchor);
    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    mark.format.setBackground(Theme::orange());
    mark.format.setForeground(Qt::black);
    view_->setExtraSelections({mark});
    cursor.clearSelection();
    view_->setTextCursor(cursor);
    view_->centerCursor();
}

QString PanePreview::highlightedText() const {
    const auto marks = view_->extraSelections();
    return marks.isEmpty() ? QString() : marks.front().cursor.selectedText();
}

int PanePreview::highlightedLine() const {
    const auto marks = view_->extraSelections();
    return marks.isEmpty() ? -1 : marks.front().cursor.block().blockNumber();
}

void PanePreview::relabel() {
    title_->setText(pane_ ? QStringLiteral("Preview ") + qs(pane_->target) : QStringLiteral("Preview pane"));
    hint_->setText(qL("Alege un pane din tabul „Ferestre” (butonul „ochi”) ca să-i vezi conținutul fără attach.",
                      "Pick a pane from the “Windows” tab (the eye button) to view its content without attaching."));
    refresh_->setToolTip(qL("Reîncarcă previzualizarea", "Reload the preview"));
    export_->setToolTip(qL("Exportă scrollback-ul complet în fișier", "Export full scrollback to file"));
    for (QToolButton* button : {refresh_, export_}) button->setAccessibleName(button->toolTip());
    view_->setAccessibleName(qL("Conținutul pane-ului", "Pane content"));
    if (captured_ && captured_->empty()) view_->setPlainText(qL("(gol)", "(empty)"));
}

void PanePreview::applyColours() {
    QPalette colours = view_->palette();
    colours.setColor(QPalette::Base, Theme::terminalBackground());
    colours.setColor(QPalette::Text, Theme::terminalText());
    view_->setPalette(colours);
}

void PanePreview::changeEvent(QEvent* event) {
    // An appearance change hands the children a new palette; the terminal colours stay.
    if (event->type() == QEvent::PaletteChange) applyColours();
    QWidget::changeEvent(event);
}

}  // namespace quillon::ui

#include "moc_pane_preview.cpp"
