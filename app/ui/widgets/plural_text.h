#pragma once
// Counted texts in the current language by ICU's plural rules: "1 window", "2 windows";
// "1 fereastră", "2 ferestre", "20 de ferestre". Each language gives an ICU MessageFormat
// pattern with one argument, the count, e.g.
//   pluralText(n, "{0, plural, one {# fereastră} few {# ferestre} other {# de ferestre}}",
//                 "{0, plural, one {# window} other {# windows}}")
// Romanian's categories are one, few (0, 2–19, …01–…19) and other; English's one and other.
// Screens only: the reports agents read keep their fixed wording.

#include <QString>

#include <cstdint>
#include <string_view>

namespace quillon::ui {

QString pluralText(std::int64_t count, std::string_view roPattern, std::string_view enPattern);

// The counts the screens show: "1 session", "1 window", "1 pane" and their plurals.
QString sessionCountText(std::int64_t count);
QString windowCountText(std::int64_t count);
QString paneCountText(std::int64_t count);

}  // namespace quillon::ui
