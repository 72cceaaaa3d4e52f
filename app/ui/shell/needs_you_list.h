#pragma once
// The tray panel's first section, "Needs you": the panes PaneAttention lists (waiting,
// exited with an error, a bell, finished since the user last looked), newest first, each
// with its state's symbol, its target, what happened and how long ago. A click, or Return on
// a row, chooses the pane. Hidden while nothing needs the user.

#include <QWidget>

#include "app/pane_attention.h"

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace quillon::ui {

class NeedsYouList : public QWidget {
    Q_OBJECT
public:
    explicit NeedsYouList(PaneAttention& attention, QWidget* parent = nullptr);

    QListWidget* list() const noexcept { return list_; }
    QLabel* title() const noexcept { return title_; }
    // "work:1.0 — Waiting for input — 12 sec. ago", as a row reads.
    static QString rowText(const PaneAttention::Entry& entry);
    void relabel();

signals:
    void paneChosen(const quillon::PaneAttention::Entry& entry);

private:
    void refresh();
    void choose(QListWidgetItem* item);

    PaneAttention& attention_;
    QLabel* title_;
    QListWidget* list_;
    std::vector<PaneAttention::Entry> shown_;
};

}  // namespace quillon::ui
