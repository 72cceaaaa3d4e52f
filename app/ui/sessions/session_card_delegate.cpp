#include "app/ui/sessions/session_card_delegate.h"

#include <QPainter>

#include "app/app_environment.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/relative_time.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"

namespace quillon::ui {
namespace {

const TmuxSession& sessionAt(const QModelIndex& index) {
    return static_cast<const SessionListModel*>(index.model())->session(index.row());
}

}  // namespace

SessionCardDelegate::SessionCardDelegate(AppEnvironment& env, QObject* parent) : CardDelegate(68, parent), env_(env) {}

std::vector<CardButton> SessionCardDelegate::buttons(const QModelIndex&) const {
    return {
        {folder, "folder", qs(platformText(PlatformText::fileManagerButton)),
         qs(platformText(PlatformText::openDirectoryTooltip))},
        {attach, "arrow.up.forward.app", QStringLiteral("Attach"), qL("Attach în terminal", "Attach in terminal")},
    };
}

QString SessionCardDelegate::detailLine(const TmuxSession& session, TimePoint now) {
    return windowCountText(session.windowCount) + QStringLiteral(" · ") + qL("creată", "created") + QStringLiteral(" ") +
           RelativeTime::format(session.created, now);
}

void SessionCardDelegate::paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                                       const QRect& content) const {
    const TmuxSession& session = sessionAt(index);
    const QPalette& palette = option.palette;
    QPixmap dot(10, 10);
    dot.fill(Qt::transparent);
    QPainter dotPainter(&dot);
    Paint::statusDot(dotPainter, QRectF(dot.rect()), session.isAttached, palette);
    dotPainter.end();

    CardText text{dot, qs(session.name), detailLine(session, Clock::now()), {},
                  static_cast<const SessionListModel*>(index.model())->stateAt(index.row())};
    text.badges.emplace_back(session.isAttached ? qL("atașată", "attached") : qL("detașată", "detached"),
                             session.isAttached ? Theme::green() : Theme::secondary(palette));
    if (session.isIdle(env_.settings().idleLimit(), Clock::now())) text.badges.emplace_back(QStringLiteral("idle"), Theme::orange());
    paintText(painter, option, content, text);
}

}  // namespace quillon::ui

#include "moc_session_card_delegate.cpp"
