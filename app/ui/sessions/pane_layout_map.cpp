#include "app/ui/sessions/pane_layout_map.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <utility>

#include "app/app_environment.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/layout_parser.h"

namespace quillon::ui {
namespace {

// The map is always on the terminal background, so its quiet colour comes from the
// terminal text, not from the window palette (black on near-black in light mode).
QColor quiet() {
    QColor c = Theme::terminalText();
    c.setAlphaF(0.6f);
    return c;
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(float(c.alphaF() * alpha));
    return c;
}

// What a repaint depends on.
bool sameDrawing(const TmuxWindow& a, const TmuxWindow& b) {
    if (a.layout != b.layout || a.target != b.target || a.panes.size() != b.panes.size()) return false;
    for (std::size_t i = 0; i < a.panes.size(); ++i)
        if (a.panes[i].isActive != b.panes[i].isActive || a.panes[i].target != b.panes[i].target) return false;
    return true;
}

}  // namespace

PaneLayoutMap::PaneLayoutMap(AppEnvironment& env, TmuxSession session, TmuxWindow window, QWidget* parent)
    : QWidget(parent), env_(env), session_(std::move(session)), window_(std::move(window)) {
    setFixedHeight(mapHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    relabel();
    connect(&env_, &AppEnvironment::languageChanged, this, &PaneLayoutMap::relabel);
}

void PaneLayoutMap::setWindow(const TmuxSession& session, const TmuxWindow& window) {
    const bool redraw = !sameDrawing(window_, window);
    const bool renamed = window_.name != window.name || window_.index != window.index;
    session_ = session;
    window_ = window;
    if (renamed) relabel();
    if (!redraw) return;
    focused_ = std::clamp(focused_, 0, std::max(0, int(window_.panes.size()) - 1));
    update();
}

void PaneLayoutMap::setOnSelect(OnSelect onSelect) { onSelect_ = std::move(onSelect); }

void PaneLayoutMap::relabel() {
    const std::string window = std::to_string(window_.index) + ": " + window_.name;
    setAccessibleName(qL("Pane-urile ferestrei " + window, "Panes of window " + window));
    describeFocus();
}

std::vector<PaneLayoutMap::Box> PaneLayoutMap::boxes() const {
    const auto rects = LayoutParser::parse(window_.layout);
    const auto [boundsW, boundsH] = LayoutParser::bounds(rects);
    if (boundsW < 1 || boundsH < 1) return {};
    const QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const double sx = area.width() / double(boundsW);
    const double sy = area.height() / double(boundsH);
    const bool matched = rects.size() == window_.panes.size();
    std::vector<Box> out;
    out.reserve(rects.size());
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const LayoutRect& r = rects[i];
        Box box{QRectF(area.left() + double(r.x) * sx, area.top() + double(r.y) * sy,
                       std::max(0.0, double(r.w) * sx - gap), std::max(0.0, double(r.h) * sy - gap)),
                std::int64_t(i), {}, false};
        if (matched) {
            const TmuxPane& pane = window_.panes[i];
            box.index = pane.index;
            box.target = pane.target;
            box.active = pane.isActive;
            box.paneID = pane.paneID;
        }
        out.push_back(std::move(box));
    }
    return out;
}

std::optional<PaneLayoutMap::Box> PaneLayoutMap::boxAt(const QPointF& point) const {
    for (Box& box : boxes())
        if (box.rect.contains(point)) return std::move(box);
    return std::nullopt;
}

QString PaneLayoutMap::helpAt(const QPointF& point) const {
    const auto box = boxAt(point);
    if (!box || !onSelect_ || box->target.empty()) return {};
    return QStringLiteral("Preview pane ") + QString::number(box->index);
}

void PaneLayoutMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::terminalBackground());
    painter.drawRoundedRect(QRectF(rect()), 6, 6);

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(std::max(7.0, font().pointSizeF() * 0.8));
    painter.setFont(mono);
    const auto all = boxes();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Box& box = all[i];
        const QColor tint = box.active ? Theme::green() : quiet();
        painter.setBrush(withAlpha(tint, box.active ? 0.35 : 0.15));
        painter.setPen(QPen(tint, box.active ? 1.5 : 1.0));
        painter.drawRoundedRect(box.rect, 3, 3);
        painter.setPen(tint);
        painter.drawText(box.rect, Qt::AlignCenter, QString::number(box.index));
        if (hasFocus() && int(i) == focused_) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5, Qt::DotLine));
            painter.drawRoundedRect(box.rect.adjusted(-1, -1, 1, 1), 4, 4);
        }
    }
}

void PaneLayoutMap::select(const Box& box) {
    if (onSelect_ && !box.paneID.empty()) onSelect_(box.paneID);
}

void PaneLayoutMap::mousePressEvent(QMouseEvent* event) {
    pressed_.reset();
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    if (auto box = boxAt(event->position())) pressed_ = box->index;
}

void PaneLayoutMap::mouseReleaseEvent(QMouseEvent* event) {
    const auto pressed = std::exchange(pressed_, std::nullopt);
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    auto box = boxAt(event->position());
    if (box && pressed == box->index) select(*box);
}

void PaneLayoutMap::addActionsTo(QMenu& menu, const Box& box) {
    const std::string target = box.paneID;
    // Only by its id: a readable target may name another pane once tmux renumbers.
    const bool known = !box.paneID.empty();
    auto add = [&](const char* symbol, const QString& text, std::function<void()> run) {
        QAction* action = menu.addAction(Icons::symbol(symbol), text, this, std::move(run));
        action->setEnabled(known);
        return action;
    };
    add("eye", QStringLiteral("Preview"), [this, box] { select(box); });
    add("arrow.up.forward.app", qL("Attach fereastra", "Attach window"), [this] { env_.attach(session_, window_); })
        ->setEnabled(true);  // needs the window only
    menu.addSeparator();
    add("arrow.up", qL("Mută înainte", "Move forward"), [this, target] { env_.swapPane(target, true); });
    add("arrow.down", qL("Mută înapoi", "Move back"), [this, target] { env_.swapPane(target, false); });
    menu.addSeparator();
    QAction* kill = add("xmark.circle", QStringLiteral("Kill pane"), [this, target] { env_.killPane(target); });
    kill->setIcon(Icons::tinted("xmark.circle", Theme::red()));
}

void PaneLayoutMap::contextMenuEvent(QContextMenuEvent* event) {
    const auto all = boxes();
    std::optional<Box> box;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        box = boxAt(event->pos());
    } else if (focused_ < int(all.size())) {
        box = all[std::size_t(focused_)];
        at = mapToGlobal(box->rect.center().toPoint());
    }
    if (!box) return;
    // Not exec(): a refresh may replace this map while the menu is open.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    addActionsTo(*menu, *box);
    menu->popup(at);
}

void PaneLayoutMap::keyPressEvent(QKeyEvent* event) {
    const int count = int(boxes().size());
    if (count == 0) return QWidget::keyPressEvent(event);
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up: focused_ = (focused_ + count - 1) % count; break;
        case Qt::Key_Right:
        case Qt::Key_Down: focused_ = (focused_ + 1) % count; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: select(boxes()[std::size_t(std::min(focused_, count - 1))]); return;
        default: return QWidget::keyPressEvent(event);
    }
    describeFocus();
    update();
}

void PaneLayoutMap::describeFocus() {
    const auto all = boxes();
    if (all.empty()) return setAccessibleDescription({});
    const Box& box = all[std::size_t(std::clamp(focused_, 0, int(all.size()) - 1))];
    QString text = QStringLiteral("Pane ") + QString::number(box.index);
    if (box.active) text += QStringLiteral(", ") + qL("activ", "active");
    setAccessibleDescription(text);
}

bool PaneLayoutMap::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString text = helpAt(help->pos());
            if (text.isEmpty()) QToolTip::hideText();
            else QToolTip::showText(help->globalPos(), text, this, boxAt(help->pos())->rect.toAlignedRect());
            return true;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: update(); break;
        default: break;
    }
    return QWidget::event(event);
}

}  // namespace quillon::ui

#include "moc_pane_layout_map.cpp"
