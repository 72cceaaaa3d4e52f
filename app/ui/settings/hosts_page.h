#pragma once
// The Settings window's Hosts tab: the ssh destinations whose tmux servers both programs
// read (stored as "hosts", core/stored_hosts.h). A destination is added by hand or picked
// from the Host entries of ~/.ssh/config (read in the pool); one ssh would misread is
// refused with a message.
// The list follows the environment both ways.

#include <QWidget>

#include <string>
#include <vector>

#include "app/ui/ui_context.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillon::ui {

class StatusLine;

class HostsPage : public QWidget {
    Q_OBJECT
public:
    explicit HostsPage(UiContext& context, QWidget* parent = nullptr);
    // Adds a destination as typed (trimmed); false with the reason shown when refused.
    bool add(const QString& destination);
    void removeSelected();
    QString message() const;
    void relabel();

private:
    void sync();
    void readConfigHosts();
    void fillSuggestions();

    UiContext& context_;
    QLabel* intro_;
    QListWidget* list_;
    QLineEdit* entry_;
    QPushButton* add_;
    QPushButton* remove_;
    QComboBox* suggestions_;
    StatusLine* error_;
    std::vector<std::string> configHosts_;
};

}  // namespace quillon::ui
