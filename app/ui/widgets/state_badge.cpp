#include "app/ui/widgets/state_badge.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

#include <map>
#include <tuple>

#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

constexpr int iconSize = 12;
constexpr int iconGap = 4;

float fillStrength(const QPalette& palette) { return Theme::isDark(palette) ? 0.22f : 0.13f; }

QColor hue(Urgency urgency, const QPalette& palette) {
    switch (urgency) {
        case Urgency::waiting:
        case Urgency::bell: return Theme::orange();
        case Urgency::failed: return Theme::red();
        case Urgency::finished: return Theme::green();
        case Urgency::running: return Theme::blue();
        case Urgency::quiet:
        case Urgency::idle:
        case Urgency::unknown: break;
    }
    return Theme::secondary(palette);
}

// Painted rows ask for the same few tinted symbols again and again.
const QPixmap& tintedSymbol(std::string_view symbol, const QColor& color) {
    static std::map<std::tuple<std::string, QRgb>, QPixmap> cache;
    const auto key = std::make_tuple(std::string(symbol), color.rgba());
    if (auto found = cache.find(key); found != cache.end()) return found->second;
    return cache.emplace(key, Icons::tinted(symbol, color, iconSize).pixmap(iconSize, iconSize)).first->second;
}

}  // namespace

std::optional<StateBadge> StateBadge::of(const PaneStatus* status, bool showUnknown) {
    if (!status) return std::nullopt;
    StateBadge badge{quillon::urgency(*status), status->state, {}, false};
    if (badge.urgency == Urgency::unknown && !showUnknown) return std::nullopt;
    if (status->state == PaneState::exited) {
        badge.exitStatus = status->exitSignal ? status->exitSignal : status->exitStatus;
        badge.bySignal = status->exitSignal.has_value();
    }
    return badge;
}

QString StateBadge::text() const {
    if (urgency == Urgency::bell) return qL("Clopoțel", "Bell");
    QString text = qs(label(state));
    if (exitStatus)
        text += (bySignal ? qL(" · semnalul ", " · signal ") : qL(" · cod ", " · status ")) + QString::number(*exitStatus);
    return text;
}

std::string_view StateBadge::symbol() const {
    switch (urgency) {
        case Urgency::waiting: return "keyboard";
        case Urgency::failed: return "xmark.octagon";
        case Urgency::bell: return "bell";
        case Urgency::finished: return "checkmark.circle";
        case Urgency::quiet: return "pause.circle";
        case Urgency::running: return "play.fill";
        case Urgency::idle: return "chevron.right";  // a prompt
        case Urgency::unknown: break;
    }
    return "questionmark.circle";
}

QColor StateBadge::color(const QPalette& palette) const {
    const QColor base = hue(urgency, palette);
    if (urgency == Urgency::quiet || urgency >= Urgency::idle) return base;  // already the text colour, faded
    // Small text on its own tint reads at 4.5:1 or better: far darker on light cards, towards
    // white on dark ones.
    if (!Theme::isDark(palette)) return base.darker(180);
    constexpr float toWhite = 0.45f;
    return QColor::fromRgbF(base.redF() + (1 - base.redF()) * toWhite, base.greenF() + (1 - base.greenF()) * toWhite,
                            base.blueF() + (1 - base.blueF()) * toWhite);
}

QColor StateBadge::fill(const QPalette& palette) const {
    const QColor tint = color(palette), base = palette.color(QPalette::Base);
    const float a = fillStrength(palette);
    return QColor::fromRgbF(tint.redF() * a + base.redF() * (1 - a), tint.greenF() * a + base.greenF() * (1 - a),
                            tint.blueF() * a + base.blueF() * (1 - a));
}

QSize StateBadge::size(const QFont& base) const {
    const QSize textSize = Paint::badgeSize(text(), base);
    return {textSize.width() + iconSize + iconGap, std::max(textSize.height(), iconSize + 4)};
}

void StateBadge::paint(QPainter& painter, const QRect& rect, const QFont& base, const QPalette& palette, bool selected) const {
    const QColor tint = selected ? palette.color(QPalette::HighlightedText) : color(palette);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = tint;
    fill.setAlphaF(selected ? 0.2f : fillStrength(palette));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const qreal radius = rect.height() / 2.0;
    painter.drawRoundedRect(QRectF(rect), radius, radius);
    const int left = rect.left() + 6;
    painter.drawPixmap(left, rect.center().y() - iconSize / 2 + 1, tintedSymbol(symbol(), tint));
    painter.setPen(tint);
    const QFont caption = Paint::captionFont(base);
    painter.setFont(caption);
    const QRect textRect(left + iconSize + iconGap, rect.top(), rect.right() - left - iconSize - iconGap - 5, rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, QFontMetrics(caption).elidedText(text(), Qt::ElideRight, textRect.width()));
    painter.restore();
}

}  // namespace quillon::ui
