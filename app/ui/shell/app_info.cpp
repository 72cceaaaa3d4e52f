#include "app/ui/shell/app_info.h"

#include "app_info_build.h"

namespace quillon::ui::AppInfo {

QString version() {
    const QString v = QStringLiteral(QUILLON_APP_VERSION);
    return v.isEmpty() ? QStringLiteral("dev") : v;
}

QString build() {
    const QString b = QStringLiteral(QUILLON_APP_BUILD);
    return b.isEmpty() ? QStringLiteral("—") : b;
}

QString name() { return QStringLiteral("Quillon"); }

QString copyright() { return QStringLiteral("© 2026 The Quillon developers"); }

}  // namespace quillon::ui::AppInfo
