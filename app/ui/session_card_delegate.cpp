#include "app/ui/session_card_delegate.h"

#include <QPainter>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/relative_time.h"
#include "app/ui/session_list_model.h"
#include "app/ui/theme.h"
#include "app/ui/ui_text.h"
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
    return QString::number(session.windowCount) + QStringLiteral(" ") + qL("ferestre · creată", "windows · created") +
           QStringLiteral(" ") + RelativeTime::format(session.created, now);
}

void SessionCardDelegate::paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                                       const QRect& content) const {
    const TmuxSession& session = sessionAt(index);
    const QPalette& palette = option.palette;
    const int line1 = content.top() + content.height() / 3 + 2;
    const int line2 = content.top() + 2 * content.height() / 3 + 2;
    Paint::statusDot(painter, QRectF(content.left() - 4, line1 - 8, 16, 16), session.isAttached, palette);

    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int left = content.left() + 14;
    const QString attachedText = session.isAttached ? qL("atașată", "attached") : qL("detașată", "detached");
    const bool idle = session.isIdle(std::chrono::duration<double>(env_.idleThresholdHours() * 3600.0), Clock::now());
    std::vector<std::pair<QString, QColor>> badges{{attachedText, session.isAttached ? Theme::green() : Theme::secondary(palette)}};
    if (idle) badges.emplace_back(QStringLiteral("idle"), Theme::orange());
    int badgeWidth = 0;
    for (const auto& badge : badges) badgeWidth += Paint::badgeSize(badge.first, option.font).width() + 6;

    const QString name = boldMetrics.elidedText(qs(session.name), Qt::ElideRight, std::max(40, content.right() - left - badgeWidth));
    painter.setFont(bold);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QRect(left, line1 - boldMetrics.height() / 2, content.right() - left, boldMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
    int x = left + boldMetrics.horizontalAdvance(name) + 8;
    for (const auto& [text, color] : badges) {
        const QSize size = Paint::badgeSize(text, option.font);
        Paint::badge(painter, QRect(QPoint(x, line1 - size.height() / 2), size), text, color, option.font);
        x += size.width() + 6;
    }

    const QFont caption = Paint::captionFont(option.font);
    const QFontMetrics captionMetrics(caption);
    painter.setFont(caption);
    painter.setPen(Theme::secondary(palette));
    painter.drawText(QRect(left, line2 - captionMetrics.height() / 2, content.right() - left, captionMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     captionMetrics.elidedText(detailLine(session, Clock::now()), Qt::ElideRight, content.right() - left));
}

}  // namespace quillon::ui
