#pragma once
// What can be done to one session, made once for every menu that offers it: the dashboard
// card's menu and the session screen's "More actions" arrange the same actions, so their
// texts in both languages, icons, keys and enabled state cannot drift apart. Each action reads
// the session when it is chosen and acts on it by its id; killing asks the owner first, and
// saving as a template tells the owner, which has the place to say so.

#include <QObject>

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>

#include "app/ui/ui_context.h"
#include "core/tmux_model.h"

class QAction;
class QMenu;

namespace quillon::ui {

class SessionActions : public QObject {
    Q_OBJECT
public:
    enum class Id { attach, openFolder, saveTemplate, copyAttach, copyKill, kill };
    // The session the actions are for, as it is now; nothing once it is gone.
    using Source = std::function<std::optional<TmuxSession>()>;

    SessionActions(UiContext& context, Source session, QObject* parent);

    QAction* action(Id id) const { return actions_.at(id); }
    // Adds the actions to menu in this order; a missing id (std::nullopt) is a separator.
    // The menu enables them afresh each time it opens.
    void addTo(QMenu& menu, std::initializer_list<std::optional<Id>> ids);
    // Enables each action from the session as it is now; all are off once it is gone.
    void updateEnabled();

signals:
    // Kill was chosen: the owner confirms before anything dies.
    void killRequested(const quillon::TmuxSession& session);
    void templateSaved(const quillon::TmuxSession& session);

private:
    QAction* make(Id id, QIcon icon, std::function<void(const TmuxSession&)> act);
    void relabel();

    UiContext& context_;
    Source session_;
    std::map<Id, QAction*> actions_;
};

}  // namespace quillon::ui
