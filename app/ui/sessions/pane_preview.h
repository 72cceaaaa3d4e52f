#pragma once
// The preview tab: a pane's captured text, read-only and selectable, in the terminal colours,
// with refresh and export. A capture equal to what is shown leaves the document alone, so a
// refresh of a large pane costs nothing when nothing changed.

#include <QWidget>

#include <optional>
#include <string>

#include "core/tmux_model.h"

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class PanePreview : public QWidget {
    Q_OBJECT
public:
    explicit PanePreview(AppEnvironment& env, QWidget* parent = nullptr);

    // Nothing: the hint to pick a pane; a pane: its text (empty until setText). The title
    // names it by its readable target; refresh and export address it by its id.
    void setPane(const std::optional<TmuxPane>& pane);
    const std::optional<TmuxPane>& pane() const noexcept { return pane_; }
    // The captured text, already trimmed; "(empty)" when there is none.
    void setText(const std::string& text);
    QString shownText() const;
    // Highlights characters [start, start + length) of line lineIndex (0-based) of the shown
    // text and scrolls it to the middle; a new text clears the highlight.
    void highlight(int lineIndex, int start, int length);
    // The highlighted text and its line; empty and -1 when nothing is.
    QString highlightedText() const;
    int highlightedLine() const;
    QPlainTextEdit* textView() const noexcept { return view_; }
    QToolButton* refreshButton() const noexcept { return refresh_; }
    QToolButton* exportButton() const noexcept { return export_; }

signals:
    // After every capture handed to setText, shown (or found already shown).
    void textShown();
    void refreshRequested();
    void exportRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    void relabel();
    void applyColours();

    AppEnvironment& env_;
    std::optional<TmuxPane> pane_;
    std::optional<std::string> captured_;  // what the document holds
    QLabel* title_;
    QToolButton* refresh_;
    QToolButton* export_;
    QLabel* hint_;
    QPlainTextEdit* view_;
};

}  // namespace quillon::ui
