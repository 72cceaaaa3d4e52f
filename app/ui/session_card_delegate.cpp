#include "app/ui/session_card_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/icons.h"
#include "app/ui/relative_time.h"
#include "app/ui/session_list_model.h"
#include "app/ui/theme.h"
#include "app/ui/ui_text.h"
#include "core/platform_texts.h"

namespace quillon::ui {
namespace {

constexpr int cardHeight = 68;
constexpr int gap = 6;     // between cards
constexpr int padding = 12;

const TmuxSession& sessionAt(const QModelIndex& index) {
    return static_cast<const SessionListModel*>(index.model())->session(index.row());
}

QRect cardRect(const QRect& row) { return row.adjusted(0, gap / 2, -2, -gap / 2); }

}  // namespace

SessionCardDelegate::SessionCardDelegate(AppEnvironment& env, QObject* parent) : QStyledItemDelegate(parent), env_(env) {}

QString SessionCardDelegate::label(Button button) const {
    return button == Button::folder ? qs(platformText(PlatformText::fileManagerButton)) : QStringLiteral("Attach");
}

const char* SessionCardDelegate::symbol(Button button) const {
    return button == Button::folder ? "folder" : "arrow.up.forward.app";
}

QString SessionCardDelegate::detailLine(const TmuxSession& session, TimePoint now) {
    return QString::number(session.windowCount) + QStringLiteral(" ") + qL("ferestre · creată", "windows · created") +
           QStringLiteral(" ") + RelativeTime::format(session.created, now);
}

QSize SessionCardDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const { return {320, cardHeight + gap}; }

QRect SessionCardDelegate::buttonRect(const QRect& row, Button button, const QFont& font) const {
    const QFontMetrics metrics(font);
    auto width = [&](Button b) { return metrics.horizontalAdvance(label(b)) + 16 + 28; };
    const QRect card = cardRect(row);
    const int height = metrics.height() + 12;
    const int top = card.center().y() - height / 2;
    const int attachLeft = card.right() - padding - width(Button::attach);
    if (button == Button::attach) return {attachLeft, top, width(Button::attach), height};
    return {attachLeft - 6 - width(Button::folder), top, width(Button::folder), height};
}

void SessionCardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const TmuxSession& session = sessionAt(index);
    const QPalette& palette = option.palette;
    const QRect card = cardRect(option.rect);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QColor border = palette.color(QPalette::Mid);
    if (option.state & QStyle::State_Selected) border = palette.color(QPalette::Highlight);
    painter->setPen(QPen(border, option.state & QStyle::State_HasFocus ? 1.5 : 0.6));
    painter->setBrush(Theme::cardBackground(palette));
    painter->drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);

    const QRect folder = buttonRect(option.rect, Button::folder, option.font);
    const int textRight = folder.left() - 8;
    const int line1 = card.top() + card.height() / 3 + 2;
    const int line2 = card.top() + 2 * card.height() / 3 + 2;
    Paint::statusDot(*painter, QRectF(card.left() + padding - 4, line1 - 8, 16, 16), session.isAttached, palette);

    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    int x = card.left() + padding + 14;
    const QString attachedText = session.isAttached ? qL("atașată", "attached") : qL("detașată", "detached");
    const QColor attachedColor = session.isAttached ? Theme::green() : Theme::secondary(palette);
    const bool idle = session.isIdle(std::chrono::duration<double>(env_.idleThresholdHours() * 3600.0), Clock::now());
    int badges = Paint::badgeSize(attachedText, option.font).width() + 6;
    if (idle) badges += Paint::badgeSize(QStringLiteral("idle"), option.font).width() + 6;
    const QString name = boldMetrics.elidedText(qs(session.name), Qt::ElideRight, std::max(40, textRight - x - badges));
    painter->setFont(bold);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(QRect(x, line1 - boldMetrics.height() / 2, textRight - x, boldMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, name);
    x += boldMetrics.horizontalAdvance(name) + 8;
    for (const auto& [text, color] : {std::pair{attachedText, attachedColor}, std::pair{QStringLiteral("idle"), Theme::orange()}}) {
        if (color == Theme::orange() && !idle) continue;
        const QSize size = Paint::badgeSize(text, option.font);
        Paint::badge(*painter, QRect(QPoint(x, line1 - size.height() / 2), size), text, color, option.font);
        x += size.width() + 6;
    }

    const QFont caption = Paint::captionFont(option.font);
    const QFontMetrics captionMetrics(caption);
    painter->setFont(caption);
    painter->setPen(Theme::secondary(palette));
    const int left = card.left() + padding + 14;
    painter->drawText(QRect(left, line2 - captionMetrics.height() / 2, textRight - left, captionMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      captionMetrics.elidedText(detailLine(session, Clock::now()), Qt::ElideRight, textRight - left));
    painter->restore();

    for (Button button : {Button::folder, Button::attach}) {
        QStyleOptionButton look;
        look.rect = buttonRect(option.rect, button, option.font);
        look.text = label(button);
        look.icon = Icons::symbol(symbol(button));
        look.iconSize = QSize(16, 16);
        look.palette = palette;
        look.fontMetrics = option.fontMetrics;
        look.state = QStyle::State_Enabled | QStyle::State_Raised;
        if (hovered_ == index && hoveredButton_ == button) {
            look.state |= QStyle::State_MouseOver;
            if (pressed_ == button) look.state |= QStyle::State_Sunken;
        }
        QApplication::style()->drawControl(QStyle::CE_PushButton, &look, painter, option.widget);
    }
}

bool SessionCardDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
    const auto type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return false;
    const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
    std::optional<Button> under;
    for (Button button : {Button::folder, Button::attach})
        if (buttonRect(option.rect, button, option.font).contains(position)) under = button;
    auto* view = qobject_cast<QAbstractItemView*>(const_cast<QWidget*>(option.widget));
    if (hovered_ != index || hoveredButton_ != under) {
        const QModelIndex previous = hovered_;
        hovered_ = index;
        hoveredButton_ = under;
        if (view) {
            view->update(previous);
            view->update(index);
        }
    }
    if (type == QEvent::MouseButtonPress && under) {
        pressed_ = under;
        return true;
    }
    if (type == QEvent::MouseButtonRelease) {
        const auto pressed = std::exchange(pressed_, std::nullopt);
        if (under && pressed == under) {
            emit buttonClicked(index.row(), *under);
            return true;
        }
    }
    return false;
}

bool SessionCardDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) {
    if (buttonRect(option.rect, Button::folder, option.font).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), qs(platformText(PlatformText::openDirectoryTooltip)), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace quillon::ui
