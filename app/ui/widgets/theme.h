#pragma once
// The shared colours of the screens, and the appearance the user chose (light, dark, or the
// desktop's own) applied to every window at once.

#include <QColor>
#include <QPalette>

#include "app/settings.h"

namespace quillon::ui::Theme {

// Positive states, attached sessions, active dots, added-kind events.
QColor green();
QColor attached();
// Secondary text: detached sessions, inactive dots, captions.
QColor detached(const QPalette& palette);
QColor secondary(const QPalette& palette);
// Cards and tiles.
QColor cardBackground(const QPalette& palette);
// Pane previews and monospaced output areas.
QColor terminalBackground();
QColor terminalText();
// The desktop's warning, failure and information hues.
QColor orange();
QColor red();
QColor blue();

// True when the palette's windows are dark.
bool isDark(const QPalette& palette);

// Light and dark are palettes on the Fusion style; system restores the palette the desktop
// gave at start. The icon theme follows when the desktop names none.
void applyAppearance(AppAppearance appearance);

}  // namespace quillon::ui::Theme
