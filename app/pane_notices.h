#pragma once
// Desktop notifications for pane states: one when a pane of the shown server enters a state
// the user switched on (waiting for input, finished, bell, quiet, exited with an error), and
// not again while it holds. None while a terminal of the user shows that pane (its window
// and pane active in a focused client), none while "Do not disturb" holds, and none for what
// the panes already were when a server was first read (at start, after a switch of server).
//
// A click on a notice opens that pane's preview (paneChosen) when its server is still the
// one shown; its "Attach" action, where the notification server offers actions, opens a
// terminal on that pane by its id, on the server it was seen on.

#include <QObject>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "app/pane_notice_settings.h"
#include "core/pane_observation.h"
#include "core/server_identity.h"
#include "core/tmux_client.h"

namespace quillon {

class AppEnvironment;
class DesktopNotices;
class PaneAttention;

class PaneNotices : public QObject {
    Q_OBJECT
public:
    PaneNotices(AppEnvironment& env, PaneAttention& attention, DesktopNotices& desktop, QObject* parent = nullptr);

    // The notice's texts for a pane in a state: the state, then where and what.
    static std::string title(NoticeKind kind);
    static std::string body(const PaneSignals& pane, const PaneStatus& status);

signals:
    void paneChosen(const std::string& sessionId, const std::string& sessionName, const std::string& paneId);

private:
    // What a posted notice is about.
    struct About {
        ServerIdentity server;
        TmuxClient client;
        PaneSignals pane;
    };
    void review();
    void post(NoticeKind kind, const PaneSignals& pane, const PaneStatus& status);
    void act(quint32 id, const std::string& key);
    void forgetServer();

    AppEnvironment& env_;
    PaneAttention& attention_;
    DesktopNotices& desktop_;
    std::map<std::string, Notice> seen_;  // by pane id, on the shown server
    std::map<std::string, TimePoint> untold_;  // dead panes whose status tmux has not told, since
    bool baseline_ = true;              // the next reading is the server's first
    std::uint64_t nextTag_ = 0;
    std::map<std::uint64_t, About> numbering_;  // posted, waiting for the server's id
    std::map<quint32, About> posted_;           // by the server's id, until closed
};

}  // namespace quillon
