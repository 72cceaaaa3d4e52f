#include "app/ui/widgets/components.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"

namespace quillon::ui {

namespace Paint {

QFont captionFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    font.setWeight(QFont::Medium);
    return font;
}

QFont titleFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 1.4);
    font.setWeight(QFont::DemiBold);
    return font;
}

void statusDot(QPainter& painter, const QRectF& rect, bool active, const QPalette& palette) {
    QColor color = active ? Theme::attached() : Theme::detached(palette);
    if (!active) color.setAlphaF(color.alphaF() * 0.5f);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(rect.center().x() - 4, rect.center().y() - 4, 8, 8));
    painter.restore();
}

QSize badgeSize(const QString& text, const QFont& base) {
    const QFontMetrics metrics(captionFont(base));
    return {metrics.horizontalAdvance(text) + 14, metrics.height() + 4};
}

void badge(QPainter& painter, const QRect& rect, const QString& text, const QColor& color, const QFont& base) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = color;
    fill.setAlphaF(0.15f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const qreal radius = rect.height() / 2.0;
    painter.drawRoundedRect(QRectF(rect), radius, radius);
    painter.setPen(color);
    painter.setFont(captionFont(base));
    painter.drawText(rect, Qt::AlignCenter, text);
    painter.restore();
}

}  // namespace Paint

// ---- StatusDot ----

StatusDot::StatusDot(bool active, QWidget* parent) : QWidget(parent), active_(active) {
    setFixedSize(8, 8);
}

void StatusDot::setActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    update();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint::statusDot(painter, rect(), active_, palette());
}

// ---- StatusBadge ----

StatusBadge::StatusBadge(const QString& text, const QColor& color, QWidget* parent)
    : QWidget(parent), text_(text), color_(color) {
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusBadge::setText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void StatusBadge::setColor(const QColor& color) {
    color_ = color;
    update();
}

QSize StatusBadge::sizeHint() const { return Paint::badgeSize(text_, font()); }

void StatusBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint::badge(painter, rect(), text_, color_, font());
}

// ---- SecondaryLabel ----

SecondaryLabel::SecondaryLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);  // often a name, path or version from tmux
    followPalette();
}

void SecondaryLabel::followPalette() {
    const QPalette base = parentWidget() ? parentWidget()->palette() : QApplication::palette();
    QPalette own = palette();
    own.setColor(QPalette::WindowText, Theme::secondary(base));
    setPalette(own);  // no further change event once equal
}

void SecondaryLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) followPalette();
    QLabel::changeEvent(event);
}

// ---- ShrinkingLabel ----

ShrinkingLabel::ShrinkingLabel(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ShrinkingLabel::setText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

double ShrinkingLabel::fittedScale() const {
    const int full = QFontMetrics(font()).horizontalAdvance(text_);
    if (full <= width() || full == 0) return 1.0;
    // Point sizes are not continuous: confirm with the metrics of the scaled font.
    for (double scale = std::max(minimumScale, double(width()) / full); scale < 1.0; scale += 0.02) {
        QFont scaled = font();
        scaled.setPointSizeF(font().pointSizeF() * scale);
        if (QFontMetrics(scaled).horizontalAdvance(text_) > width()) return std::max(minimumScale, scale - 0.02);
    }
    return 1.0;
}

bool ShrinkingLabel::isElided() const {
    QFont scaled = font();
    scaled.setPointSizeF(font().pointSizeF() * fittedScale());
    return QFontMetrics(scaled).horizontalAdvance(text_) > width();
}

QSize ShrinkingLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_), metrics.height()};
}

QSize ShrinkingLabel::minimumSizeHint() const { return {0, QFontMetrics(font()).height()}; }

void ShrinkingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont scaled = font();
    scaled.setPointSizeF(font().pointSizeF() * fittedScale());
    painter.setFont(scaled);
    painter.setPen(palette().color(QPalette::WindowText));
    const QString shown = QFontMetrics(scaled).elidedText(text_, Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

// ---- StatTile ----

StatTile::StatTile(const QString& title, const QString& value, std::string icon, const QColor& tint, QWidget* parent)
    : QFrame(parent), icon_(std::move(icon)), tint_(tint) {
    iconLabel_ = new QLabel(this);
    titleLabel_ = new SecondaryLabel(title, this);
    valueLabel_ = new ShrinkingLabel(this);
    valueLabel_->setText(value);

    titleLabel_->setFont(Paint::captionFont(font()));
    valueLabel_->setFont(Paint::titleFont(font()));

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(iconLabel_);
    header->addWidget(titleLabel_, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(4);
    column->addLayout(header);
    column->addWidget(valueLabel_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    updateIcon();
    updateAccessibleName();
}

void StatTile::setTitle(const QString& title) {
    titleLabel_->setText(title);
    updateAccessibleName();
}

void StatTile::setValue(const QString& value) {
    valueLabel_->setText(value);
    updateAccessibleName();
}

void StatTile::setTint(const QColor& tint) {
    if (tint_ == tint) return;
    tint_ = tint;
    updateIcon();
}

QString StatTile::title() const { return titleLabel_->text(); }
QString StatTile::value() const { return valueLabel_->text(); }

void StatTile::updateIcon() { iconLabel_->setPixmap(Icons::tinted(icon_, tint_, 16).pixmap(16, 16)); }

void StatTile::updateAccessibleName() { setAccessibleName(titleLabel_->text() + QStringLiteral(": ") + valueLabel_->text()); }

void StatTile::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) updateIcon();
    QFrame::changeEvent(event);
}

void StatTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::cardBackground(palette()));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

// ---- Symbols and status lines ----

QLabel* symbolLabel(std::string_view symbol, const QColor& tint, int size, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(Icons::tinted(symbol, tint, size).pixmap(size, size));
    return label;
}

void showValue(QLabel& label, const QString& value) {
    label.setText(value);
    label.setAccessibleName(value);
}

StatusLine::StatusLine(std::string symbol, const QColor& tint, QWidget* parent) : QWidget(parent) {
    icon_ = new QLabel(this);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(icon_, 0, Qt::AlignTop);
    row->addWidget(text_, 1);
    setLook(std::move(symbol), tint);
    hide();
}

void StatusLine::setText(const QString& text) {
    text_->setText(text);
    setAccessibleName(text);
}

void StatusLine::setLook(std::string symbol, const QColor& tint) {
    icon_->setPixmap(Icons::tinted(symbol, tint, 14).pixmap(14, 14));
    text_->setStyleSheet(QStringLiteral("color: %1").arg(tint.name(QColor::HexArgb)));
}

QString StatusLine::text() const { return text_->text(); }

// ---- EmptyState ----

EmptyState::EmptyState(std::string symbol, QWidget* parent) : QWidget(parent) {
    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::symbol(symbol).pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    title_ = new QLabel(this);
    title_->setTextFormat(Qt::PlainText);
    title_->setFont(Paint::titleFont(font()));
    title_->setAlignment(Qt::AlignCenter);
    title_->setWordWrap(true);
    description_ = new SecondaryLabel({}, this);
    description_->setAlignment(Qt::AlignCenter);
    description_->setWordWrap(true);
    description_->hide();
    auto* column = new QVBoxLayout(this);
    column->addStretch(1);
    column->addWidget(icon);
    column->addWidget(title_);
    column->addWidget(description_);
    column->addStretch(1);
}

void EmptyState::setTitle(const QString& title) {
    title_->setText(title);
    setAccessibleName(title);
}

void EmptyState::setDescription(const QString& description) {
    description_->setText(description);
    description_->setVisible(!description.isEmpty());
    setAccessibleDescription(description);
}

QString EmptyState::title() const { return title_->text(); }
QString EmptyState::description() const { return description_->text(); }

}  // namespace quillon::ui

#include "moc_components.cpp"
