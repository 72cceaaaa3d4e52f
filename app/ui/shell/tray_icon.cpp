#include "app/ui/shell/tray_icon.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

TrayIcon::TrayIcon(UiContext& context, QObject* parent) : QObject(parent), context_(context) {
    tray_ = new QSystemTrayIcon(this);
    menu_ = new QMenu;
    openPanel_ = menu_->addAction(Icons::symbol("terminal"), QString(), this, [this] { context_.navigator.showPanel(); });
    settings_ = menu_->addAction(Icons::symbol("gearshape"), QString(), this, [this] { context_.navigator.showSettings(); });
    menu_->addSeparator();
    quit_ = menu_->addAction(Icons::symbol("power"), QString(), this, [this] { context_.navigator.quit(); });
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) context_.navigator.showPanel();
    });
    connect(&context.env, &AppEnvironment::sessionsChanged, this, &TrayIcon::refresh);
    connect(&context.env, &AppEnvironment::languageChanged, this, &TrayIcon::relabel);
    relabel();
}

TrayIcon::~TrayIcon() { delete menu_; }

bool TrayIcon::hostAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::show() { tray_->show(); }
bool TrayIcon::isVisible() const { return tray_->isVisible(); }
QRect TrayIcon::geometry() const { return tray_->geometry(); }
QString TrayIcon::toolTip() const { return tray_->toolTip(); }

QIcon TrayIcon::badgeIcon(std::size_t sessions) { return badgeIcon(sessions, Theme::green().darker(115)); }

QIcon TrayIcon::badgeIcon(std::size_t sessions, const QColor& badgeColour) {
    QIcon icon;
    for (int wanted : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = Icons::symbol("terminal").pixmap(wanted, wanted);
        if (pixmap.width() != wanted) pixmap = pixmap.scaled(wanted, wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const int size = pixmap.width();
        if (sessions > 0) {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            const QString count = sessions > 99 ? QStringLiteral("99+") : QString::number(sessions);
            QFont font = painter.font();
            font.setBold(true);
            font.setPixelSize(std::max(7, size * 9 / 16));
            const int textWidth = QFontMetrics(font).horizontalAdvance(count);
            const int height = size * 5 / 8;
            const int width = std::max(height, textWidth + size / 6);
            const QRectF badge(size - width, size - height, width, height);
            painter.setPen(Qt::NoPen);
            painter.setBrush(badgeColour);
            painter.drawRoundedRect(badge, height / 2.0, height / 2.0);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(badge, Qt::AlignCenter, count);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

void TrayIcon::followAttention(PaneAttention& attention) {
    attention_ = &attention;
    connect(attention_, &PaneAttention::changed, this, &TrayIcon::refresh);
    refresh();
}

void TrayIcon::refresh() {
    const std::size_t sessions = context_.env.sessions().size();
    const std::size_t needing = attention_ ? attention_->needsYou().size() : 0;
    badgeWarns_ = needing > 0;
    badgeCount_ = badgeWarns_ ? needing : sessions;
    tray_->setIcon(badgeWarns_ ? badgeIcon(needing, Theme::orange()) : badgeIcon(sessions));
    QString tip = QStringLiteral("Quillon — ") + sessionCountText(std::int64_t(sessions));
    if (badgeWarns_) tip += QStringLiteral(" · ") + qL("te așteaptă: ", "needs you: ") + QString::number(needing);
    tray_->setToolTip(tip);
}

void TrayIcon::relabel() {
    openPanel_->setText(qL("Deschide panoul", "Open panel"));
    settings_->setText(qL("Setări…", "Settings…"));
    quit_->setText(qL("Ieșire", "Quit"));
    refresh();
}

}  // namespace quillon::ui

#include "moc_tray_icon.cpp"
