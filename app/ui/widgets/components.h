#pragma once
// Small views shared by the screens: the status dot, the capsule badge and the statistic
// tile. Lists paint the same dot and badge through the Paint functions, so a painted row and
// a widget look alike.

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>

class QPainter;

namespace quillon::ui {

namespace Paint {
// Caption size, medium weight.
QFont captionFont(const QFont& base);
// Title-2 size, semibold.
QFont titleFont(const QFont& base);
// An 8 × 8 circle centred in rect: the attached colour when active, else the detached one at half strength.
void statusDot(QPainter& painter, const QRectF& rect, bool active, const QPalette& palette);
QSize badgeSize(const QString& text, const QFont& base);
// The text in color on a capsule of color at 15 % strength.
void badge(QPainter& painter, const QRect& rect, const QString& text, const QColor& color, const QFont& base);
}  // namespace Paint

class StatusDot : public QWidget {
    Q_OBJECT
public:
    explicit StatusDot(bool active = false, QWidget* parent = nullptr);
    void setActive(bool active);
    bool isActive() const noexcept { return active_; }
    QSize sizeHint() const override { return {8, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_;
};

class StatusBadge : public QWidget {
    Q_OBJECT
public:
    StatusBadge(const QString& text, const QColor& color, QWidget* parent = nullptr);
    void setText(const QString& text);
    void setColor(const QColor& color);
    const QString& text() const noexcept { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
};

// Text in the secondary colour of the current palette (it follows appearance changes).
class SecondaryLabel : public QLabel {
    Q_OBJECT
public:
    explicit SecondaryLabel(const QString& text = {}, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void followPalette();
};

// One line of text that shrinks down to 60 % of its font before it is elided; never wraps.
class ShrinkingLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr double minimumScale = 0.6;
    explicit ShrinkingLabel(QWidget* parent = nullptr);
    void setText(const QString& text);
    const QString& text() const noexcept { return text_; }
    // The scale the text is drawn at for the current width, and whether it is elided.
    double fittedScale() const;
    bool isElided() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

// A card: the icon in its tint and the title in caption size, the value below in title size.
class StatTile : public QFrame {
    Q_OBJECT
public:
    StatTile(const QString& title, const QString& value, std::string icon, const QColor& tint,
             QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setValue(const QString& value);
    void setTint(const QColor& tint);
    QString title() const;
    QString value() const;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateIcon();
    void updateAccessibleName();

    std::string icon_;
    QColor tint_;
    QLabel* iconLabel_;
    SecondaryLabel* titleLabel_;
    ShrinkingLabel* valueLabel_;
};

// A symbol drawn in one colour, as a label.
QLabel* symbolLabel(std::string_view symbol, const QColor& tint, int size, QWidget* parent);

// Shows a value in a label that a form row names. A screen reader would read such a label
// by the row's name alone (the form makes the row's name its buddy), so the value becomes
// its name too.
void showValue(QLabel& label, const QString& value);

// A message after its symbol, both in one colour: failures in orange, confirmations in green.
// The text wraps, can be selected, and is the line's accessible name. Hidden until shown.
class StatusLine : public QWidget {
    Q_OBJECT
public:
    StatusLine(std::string symbol, const QColor& tint, QWidget* parent = nullptr);
    void setText(const QString& text);
    // Another symbol and colour, for a line that says both outcomes.
    void setLook(std::string symbol, const QColor& tint);
    QString text() const;

private:
    QLabel* icon_;
    QLabel* text_;
};

// A centred placeholder for "nothing here": a large symbol, a title and a description.
class EmptyState : public QWidget {
    Q_OBJECT
public:
    explicit EmptyState(std::string symbol, QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setDescription(const QString& description);
    QString title() const;
    QString description() const;

private:
    QLabel* title_;
    SecondaryLabel* description_;
};

}  // namespace quillon::ui
