#pragma once
// How screens spell text: L() picks Romanian or English by the process language, and these
// wrap the choice (and any core text) as a QString.

#include <QDateTime>
#include <QString>

#include <string>
#include <string_view>

#include "core/l10n.h"
#include "core/tmux_model.h"

namespace quillon::ui {

inline QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Romanian first, English second.
inline QString qL(std::string_view ro, std::string_view en) { return qs(L(ro, en)); }

inline std::string toStd(const QString& text) { return text.toStdString(); }

// The local wall-clock time of an instant, "HH:mm:ss", as the logs show it.
inline QString clockTime(TimePoint instant) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace quillon::ui
