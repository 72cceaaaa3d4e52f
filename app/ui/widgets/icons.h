#pragma once
// The symbol names the screens use ("arrow.clockwise", "moon.zzz") mapped to freedesktop icon
// names, with a drawn fallback so no icon is ever blank. When the desktop names no icon theme,
// Breeze is used (breeze-dark on dark palettes).

#include <QColor>
#include <QIcon>
#include <QPalette>

#include <string_view>
#include <vector>

namespace quillon::ui::Icons {

// Every symbol name the screens use, in table order.
std::vector<std::string_view> symbols();
// Freedesktop names tried for a symbol, in order; empty for an unknown symbol.
std::vector<std::string_view> themeNames(std::string_view symbol);
// The desktop icon for a symbol; a drawn glyph when the theme has none.
QIcon symbol(std::string_view name);
// The symbol drawn in one colour (the screens' green, orange and secondary tints).
QIcon tinted(std::string_view name, const QColor& color, int size = 16);
// Chooses the fallback icon theme for the palette, when the desktop named none.
void followPalette(const QPalette& palette);

}  // namespace quillon::ui::Icons
