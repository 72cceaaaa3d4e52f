#include "app/ui/sessions/session_name_rule.h"

namespace quillon::ui {

QString trimmedName(const QString& name) {
    qsizetype first = 0, last = name.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (first < last && blank(name[first])) ++first;
    while (last > first && blank(name[last - 1])) --last;
    return name.mid(first, last - first);
}

bool isValidSessionName(const QString& name) {
    const QString trimmed = trimmedName(name);
    return !trimmed.isEmpty() && !trimmed.contains(QLatin1Char(':')) && !trimmed.contains(QLatin1Char('.'));
}

}  // namespace quillon::ui
