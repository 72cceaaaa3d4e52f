#pragma once
// The rule every name field follows before anything reaches tmux: spaces and tabs trimmed,
// not empty, and neither ":" nor "." (tmux reads both as target separators).

#include <QString>

namespace quillon::ui {

QString trimmedName(const QString& name);
bool isValidSessionName(const QString& name);

}  // namespace quillon::ui
