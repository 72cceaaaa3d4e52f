#include "app/ui/widgets/theme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "app/ui/widgets/icons.h"

namespace quillon::ui::Theme {
namespace {

QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

QPalette lightPalette() {
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    QPalette palette = fusion->standardPalette();
    delete fusion;
    return palette;
}

QPalette darkPalette() {
    QPalette p;
    const QColor window(0x2b, 0x2d, 0x31), base(0x1f, 0x21, 0x24), text(0xe8, 0xea, 0xed);
    const QColor button(0x35, 0x37, 0x3c), highlight(0x3d, 0x8b, 0xfd);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0xa0, 0xa6));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, button.lighter(130));
    p.setColor(QPalette::Midlight, button.lighter(115));
    p.setColor(QPalette::Mid, button.darker(120));
    p.setColor(QPalette::Dark, base.darker(130));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    p.setColor(QPalette::LinkVisited, QColor(0xc5, 0x8a, 0xf9));
    const QColor disabled(0x80, 0x84, 0x89);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x53, 0x58));
    return p;
}

// The palette the desktop gave before we changed anything; "system" returns to it.
const QPalette& desktopPalette() {
    static const QPalette palette = QApplication::palette();
    return palette;
}

}  // namespace

QColor green() { return rgb(0.18, 0.8, 0.44); }
QColor attached() { return green(); }

QColor secondary(const QPalette& palette) {
    QColor c = palette.color(QPalette::Active, QPalette::WindowText);
    c.setAlphaF(0.6f);
    return c;
}

QColor detached(const QPalette& palette) { return secondary(palette); }
QColor cardBackground(const QPalette& palette) { return palette.color(QPalette::Base); }
QColor terminalBackground() { return rgb(0.07, 0.09, 0.11); }
QColor terminalText() { return rgb(0.8, 0.88, 0.82); }
QColor orange() { return QColor(0xf0, 0x8c, 0x00); }
QColor red() { return QColor(0xe5, 0x39, 0x35); }
QColor blue() { return QColor(0x2f, 0x80, 0xed); }

bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightnessF() < 0.5; }

void applyAppearance(AppAppearance appearance) {
    (void)desktopPalette();  // remembered before the first change
    if (QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    switch (appearance) {
        case AppAppearance::system: palette = desktopPalette(); break;
        case AppAppearance::light: palette = lightPalette(); break;
        case AppAppearance::dark: palette = darkPalette(); break;
    }
    Icons::followPalette(palette);
    QApplication::setPalette(palette);
}

}  // namespace quillon::ui::Theme
