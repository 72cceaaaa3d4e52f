#include "app/ui/shell/app_info.h"

#include "app_info_build.h"
#include "core/version.h"

namespace quillon::ui::AppInfo {

QString version() {
    const auto v = quillon::version();
    return QString::fromUtf8(v.data(), qsizetype(v.size()));
}

QString build() {
    const QString b = QStringLiteral(QUILLON_APP_BUILD);
    return b.isEmpty() ? QStringLiteral("—") : b;
}

QString name() { return QStringLiteral("Quillon"); }

QString copyright() { return QStringLiteral("© 2026 The Quillon developers"); }

}  // namespace quillon::ui::AppInfo
