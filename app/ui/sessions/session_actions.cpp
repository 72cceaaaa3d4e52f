#include "app/ui/sessions/session_actions.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include "app/app_environment.h"
#include "app/template_store.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"

namespace quillon::ui {

SessionActions::SessionActions(UiContext& context, Source session, QObject* parent)
    : QObject(parent), context_(context), session_(std::move(session)) {
    AppEnvironment& env = context_.env;
    make(Id::attach, Icons::symbol("arrow.up.forward.app"), [&env](const TmuxSession& s) { env.attach(s); });
    make(Id::openFolder, Icons::symbol("folder"), [&env](const TmuxSession& s) { env.openInFinder(s.path); });
    make(Id::saveTemplate, Icons::symbol("square.stack.3d.up"), [this](const TmuxSession& s) {
        context_.templates.upsert(SessionTemplate::fromSession(s, context_.env.restartPrograms()));
        emit templateSaved(s);
    });
    for (auto [id, verb] : {std::pair{Id::copyAttach, "attach"}, std::pair{Id::copyKill, "kill-session"}})
        make(id, Icons::symbol("doc.on.doc"), [&env, verb = verb](const TmuxSession& s) {
            QGuiApplication::clipboard()->setText(qs(env.command(verb, s)));
        });
    QAction* kill =
        make(Id::kill, Icons::tinted("xmark.circle", Theme::red()), [this](const TmuxSession& s) { emit killRequested(s); });
    // Delete asks to kill wherever a screen adds the action, and the menus show the key; a
    // text field keeps Delete for itself.
    kill->setShortcut(QKeySequence::Delete);
    kill->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    connect(&env, &AppEnvironment::languageChanged, this, &SessionActions::relabel);
    connect(&env, &AppEnvironment::sessionsChanged, this, &SessionActions::updateEnabled);
    relabel();
    updateEnabled();
}

QAction* SessionActions::make(Id id, QIcon icon, std::function<void(const TmuxSession&)> act) {
    auto* action = new QAction(std::move(icon), QString(), this);
    // The session as it is when chosen: a menu may stay open across a refresh.
    connect(action, &QAction::triggered, this, [this, act = std::move(act)] {
        if (auto s = session_()) act(*s);
    });
    actions_[id] = action;
    return action;
}

void SessionActions::addTo(QMenu& menu, std::initializer_list<std::optional<Id>> ids) {
    for (const auto& id : ids) {
        if (id) menu.addAction(action(*id));
        else menu.addSeparator();
    }
    connect(&menu, &QMenu::aboutToShow, this, &SessionActions::updateEnabled);
}

void SessionActions::updateEnabled() {
    const auto s = session_();
    for (const auto& entry : actions_) entry.second->setEnabled(s.has_value());
    if (s) action(Id::openFolder)->setEnabled(!s->path.empty());
}

void SessionActions::relabel() {
    action(Id::attach)->setText(qL("Attach în terminal", "Attach in terminal"));
    action(Id::openFolder)->setText(qs(platformText(PlatformText::openInFileManager)));
    action(Id::saveTemplate)->setText(qL("Salvează ca template", "Save as template"));
    action(Id::copyAttach)->setText(qL("Copiază comanda attach", "Copy attach command"));
    action(Id::copyKill)->setText(qL("Copiază comanda kill", "Copy kill command"));
    action(Id::kill)->setText(QStringLiteral("Kill"));
}

}  // namespace quillon::ui

#include "moc_session_actions.cpp"
