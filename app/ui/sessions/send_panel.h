#pragma once
// The send tab: a target pane, a command typed into it with send-keys (Return or "Send"),
// four quick keys, and the last 20 commands to reuse. Sending never waits on tmux.
//
// The chosen pane is followed, and keys are sent to it, by its id ("%12"), not by its target:
// when a pane before it closes, tmux renumbers the rest, and the old target would name
// another pane, also in the moment before the next refresh.

#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "core/tmux_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class CardListView;
class HistoryModel;
class HistoryDelegate;

class SendPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t historyLimit = 20;

    explicit SendPanel(AppEnvironment& env, QWidget* parent = nullptr);

    // The session's panes, windows in order; follows the chosen pane to its new target.
    void setPanes(std::vector<TmuxPane> panes);
    // The chosen pane if it is still there, else the first active one, else the first.
    void ensureTarget();
    const std::string& target() const noexcept { return target_; }
    void setTarget(const std::string& target);

    // The command field (trimmed) to the target, with Enter; remembered unless empty.
    void send();
    // "Enter" sends only Enter; other names ("C-c") are sent as keys without Enter.
    void sendQuickKey(const std::string& key);
    const std::vector<std::string>& history() const;
    // Moves newest-first history into the command field.
    void reuse(std::size_t position);

    QComboBox* targetPicker() const noexcept { return picker_; }
    QLineEdit* commandField() const noexcept { return command_; }

private:
    void relabel();
    void showPanes();
    const TmuxPane* pane(const std::string& target) const;

    AppEnvironment& env_;
    std::vector<TmuxPane> panes_;
    std::string target_;
    std::string targetID_;  // what keys are sent to
    QLabel* pickerLabel_;
    QComboBox* picker_;
    QLineEdit* command_;
    QPushButton* send_;
    QLabel* quickLabel_;
    std::vector<QPushButton*> quickKeys_;
    QLabel* historyLabel_;
    HistoryModel* historyModel_;
    HistoryDelegate* historyDelegate_;
    CardListView* historyList_;
    QLabel* note_;
};

}  // namespace quillon::ui
