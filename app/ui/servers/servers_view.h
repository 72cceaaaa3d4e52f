#pragma once
// The Servers screen: every tmux server of this machine and, below, one group per stored
// ssh host, each with its census verdict (live / stale / unknown and why), tmux version,
// session and attached-client counts. The server the app shows is marked; "Use this
// server" switches the whole app to the selected one; a stale socket of this machine can
// be removed after a confirmation that names the file. The census runs off the GUI thread
// when the screen is shown and on its refresh button: this machine and each host are read
// apart and shown as each lands, so a host that never answers delays only its own group,
// which reads "asking…" until its first answer (a refresh shows the last answer until the
// new one lands).

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // After every census shown whole: this machine and every host.
    void censusShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What is known of the census being shown: nothing yet for a part still being asked.
    struct Shown {
        std::string socketDirectory;
        std::optional<std::vector<ServerRow>> local;
        std::vector<std::string> destinations;
        std::vector<std::optional<HostRows>> hosts;
    };
    // A server row by its group (0: this machine, n: host n) and socket path.
    using RowKey = std::pair<int, std::string>;

    void relabel();
    // A new census: every part asked now; answers still due from an earlier one are dropped.
    void start();
    static Shown carriedOver(Shown last, std::vector<std::string> destinations);
    // This machine in one pool job, each host on a thread of its own.
    void ask(const TmuxClient& client, int generation);
    void land(int generation, int group, std::function<void(Shown&)> answer);
    void fillTree();
    void fillGroup(int group);
    // The servers of a group, or nothing while it is asked (or unreachable: none).
    const std::vector<ServerRow>* groupRows(int group) const;
    std::optional<RowKey> selectedKey() const;
    void reselect(const RowKey& key);
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
    Shown shown_;
    int generation_ = 0;
    int pending_ = 0;  // parts of the current census still being asked
    bool again_ = false;
};

}  // namespace quillon::ui
