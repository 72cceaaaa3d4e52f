#pragma once
// Instants relative to now ("5 min. ago", "acum 5 min.") in the current language, by ICU's
// relative date formatter in its short style. The unit is the largest that fits: seconds,
// minutes, hours, days, weeks, months, then years.

#include <QString>

#include "core/tmux_model.h"

namespace quillon::ui::RelativeTime {

QString format(TimePoint instant, TimePoint now = Clock::now());

}  // namespace quillon::ui::RelativeTime
