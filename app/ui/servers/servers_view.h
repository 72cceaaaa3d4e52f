#pragma once
// The Servers screen: every tmux server of this machine and, below, one group per stored
// ssh host, each with its census verdict (live / stale / unknown and why), tmux version,
// session and attached-client counts. The server the app shows is marked; "Use this
// server" switches the whole app to the selected one; a stale socket of this machine can
// be removed after a confirmation that names the file. The census runs in the pool when
// the screen is shown and on its refresh button, never on the GUI thread.

#include <QWidget>

#include <optional>

#include "app/server_census.h"
#include "app/ui/ui_context.h"

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTreeView;

namespace quillon::ui {

class StatusLine;

class ServersView : public QWidget {
    Q_OBJECT
public:
    explicit ServersView(UiContext& context, QWidget* parent = nullptr);

    // Starts a census unless one runs; the tree follows when it lands.
    void reload();
    QTreeView* tree() const noexcept { return tree_; }

signals:
    // After every census shown.
    void censusShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void relabel();
    void present(ServerCensus census);
    void fillTree();
    void syncButtons();
    // The server of the selected row, if a server row is selected.
    std::optional<TmuxServer> selectedServer() const;
    // Opens the removal confirmation for the selected stale socket (nothing otherwise).
    void confirmRemoval();
    void removeSocket(const std::string& path);

    UiContext& context_;
    QLabel* title_;
    QPushButton* refresh_;
    QTreeView* tree_;
    QStandardItemModel* model_;
    QPushButton* use_;
    QPushButton* remove_;
    StatusLine* error_;
    std::optional<ServerCensus> census_;
    bool loading_ = false;
    bool again_ = false;
};

}  // namespace quillon::ui
