#include "app/ui/widgets/icons.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <string>
#include <unordered_map>

#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui::Icons {
namespace {

struct Entry {
    std::string_view symbol;
    std::array<std::string_view, 3> names;  // unused places stay empty
};

// Freedesktop standard names first, then names Breeze and Adwaita add.
constexpr std::array table{
    Entry{"terminal", {"utilities-terminal"}},
    Entry{"terminal.fill", {"utilities-terminal"}},
    Entry{"arrow.clockwise", {"view-refresh"}},
    Entry{"arrow.clockwise.circle", {"view-refresh"}},
    Entry{"arrow.triangle.2.circlepath", {"exchange-positions", "view-refresh"}},
    Entry{"square.stack.3d.up", {"document-new-from-template", "view-list-icons", "document-new"}},
    Entry{"square.stack.3d.up.fill", {"document-new-from-template", "view-list-icons", "document-new"}},
    Entry{"magnifyingglass", {"edit-find", "system-search"}},
    Entry{"plus", {"list-add"}},
    Entry{"plus.circle", {"list-add"}},
    Entry{"minus.circle", {"list-remove"}},
    Entry{"macwindow", {"window", "view-restore"}},
    Entry{"macwindow.badge.plus", {"window-new"}},
    Entry{"macwindow.on.rectangle", {"window-duplicate", "tab-duplicate", "view-restore"}},
    Entry{"gearshape", {"preferences-system", "configure"}},
    Entry{"power", {"system-shutdown", "application-exit"}},
    Entry{"chevron.down", {"go-down"}},
    Entry{"chevron.right", {"go-next"}},
    Entry{"arrow.up.forward.app", {"go-jump", "window-new"}},
    Entry{"arrow.up.forward", {"go-jump", "go-next"}},
    Entry{"arrow.up", {"go-up"}},
    Entry{"arrow.down", {"go-down"}},
    Entry{"gauge.with.dots.needle.50percent", {"dashboard-show", "speedometer", "utilities-system-monitor"}},
    Entry{"dot.radiowaves.left.and.right", {"network-wireless"}},
    Entry{"bolt.badge.automatic", {"run-build", "system-run"}},
    Entry{"bolt.fill", {"run-build", "system-run"}},
    Entry{"bolt.slash", {"dialog-cancel", "action-unavailable", "process-stop"}},
    Entry{"graduationcap", {"applications-education", "help-contents"}},
    Entry{"doc.text", {"text-x-generic", "text-plain"}},
    Entry{"server.rack", {"network-server", "server-database", "network-workgroup"}},
    Entry{"doc.questionmark", {"dialog-question", "help-contextual"}},
    Entry{"doc.on.doc", {"edit-copy"}},
    Entry{"doc.on.clipboard", {"edit-paste"}},
    Entry{"rectangle.slash", {"action-unavailable", "dialog-cancel"}},
    Entry{"rectangle.stack", {"view-list-details", "document-multiple", "view-grid"}},
    Entry{"rectangle.split.2x2", {"view-grid", "view-split-left-right"}},
    Entry{"exclamationmark.triangle", {"dialog-warning", "emblem-warning"}},
    Entry{"exclamationmark.triangle.fill", {"dialog-warning", "emblem-warning"}},
    Entry{"number", {"tag", "help-about"}},
    Entry{"keyboard", {"input-keyboard"}},
    Entry{"moon.zzz", {"weather-clear-night", "system-suspend"}},
    Entry{"moon.zzz.fill", {"weather-clear-night", "system-suspend"}},
    Entry{"trash", {"edit-delete", "user-trash"}},
    Entry{"folder", {"folder"}},
    Entry{"pencil", {"document-edit", "edit-rename"}},
    Entry{"pencil.circle", {"edit-rename", "document-edit"}},
    Entry{"square.and.pencil", {"document-edit", "accessories-text-editor"}},
    Entry{"xmark.circle", {"window-close", "process-stop"}},
    Entry{"eye", {"view-visible", "view-preview", "edit-find"}},
    Entry{"square.and.arrow.down", {"document-export", "document-save"}},
    Entry{"info.circle", {"dialog-information", "help-about"}},
    Entry{"checkmark.circle", {"dialog-ok-apply", "checkmark", "emblem-ok"}},
    Entry{"stop.fill", {"media-playback-stop", "process-stop"}},
    Entry{"play.fill", {"media-playback-start"}},
    Entry{"sparkles", {"tools-wizard", "draw-star"}},
    Entry{"bell", {"notifications", "preferences-desktop-notification-bell", "preferences-desktop-notification"}},
    Entry{"xmark.octagon", {"dialog-error", "emblem-error", "process-stop"}},
    Entry{"pause.circle", {"media-playback-pause"}},
    Entry{"questionmark.circle", {"dialog-question", "help-about"}},
    Entry{"ellipsis.circle", {"overflow-menu", "view-more", "application-menu"}},
};

// The theme the desktop named at start; empty or "hicolor" means none.
const QString& desktopTheme() {
    static const QString name = QIcon::themeName();
    return name;
}

bool desktopNamedNone() { return desktopTheme().isEmpty() || desktopTheme() == QLatin1String("hicolor"); }

// A filled dot in the text colour: visible on any theme, never blank, at every size.
QIcon drawnFallback() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QApplication::palette().color(QPalette::WindowText));
        painter.drawEllipse(QRectF(size / 4.0, size / 4.0, size / 2.0, size / 2.0));
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

std::vector<std::string_view> symbols() {
    std::vector<std::string_view> all;
    for (const Entry& entry : table) all.push_back(entry.symbol);
    return all;
}

std::vector<std::string_view> themeNames(std::string_view symbol) {
    for (const Entry& entry : table)
        if (entry.symbol == symbol) {
            std::vector<std::string_view> names;
            for (std::string_view name : entry.names)
                if (!name.empty()) names.push_back(name);
            return names;
        }
    return {};
}

// Theme lookups are slow and painted rows ask for the same few symbols again and again.
std::unordered_map<std::string, QIcon>& resolved() {
    static std::unordered_map<std::string, QIcon> cache;
    return cache;
}

QIcon symbol(std::string_view name) {
    auto& cache = resolved();
    if (auto found = cache.find(std::string(name)); found != cache.end()) return found->second;
    QIcon icon;
    for (std::string_view themeName : themeNames(name)) {
        const QString candidate = qs(themeName);
        if (QIcon::hasThemeIcon(candidate)) {
            icon = QIcon::fromTheme(candidate);
            break;
        }
    }
    if (icon.isNull()) icon = drawnFallback();
    return cache.emplace(std::string(name), icon).first->second;
}

QIcon tinted(std::string_view name, const QColor& color, int size) {
    QPixmap pixmap = symbol(name).pixmap(size, size);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    return QIcon(pixmap);
}

// Where freedesktop themes live; platforms without a theme of their own (offscreen, minimal
// window managers) give Qt no search path at all.
void addStandardSearchPaths() {
    QStringList paths = QIcon::themeSearchPaths();
    QStringList data = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")).split(QLatin1Char(':'));
    data.prepend(qEnvironmentVariable("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share")));
    for (const QString& base : data) {
        const QString icons = base + QStringLiteral("/icons");
        if (!base.isEmpty() && !paths.contains(icons) && QDir(icons).exists()) paths.append(icons);
    }
    QIcon::setThemeSearchPaths(paths);
}

void followPalette(const QPalette& palette) {
    (void)desktopTheme();
    resolved().clear();  // the fallback glyph takes the text colour of the new palette
    if (!desktopNamedNone()) return;
    addStandardSearchPaths();
    QIcon::setThemeName(Theme::isDark(palette) ? QStringLiteral("breeze-dark") : QStringLiteral("breeze"));
}

}  // namespace quillon::ui::Icons
