#pragma once
// The frame of a screen whose content scrolls: the title on top, optional widgets that stay
// in view under it (a search field), then a page that scrolls vertically with its sections
// stacked in a column.

#include <QHBoxLayout>
#include <QWidget>

class QLabel;
class QLayout;
class QScrollArea;
class QVBoxLayout;

namespace quillon::ui {

class ScrollingPage : public QWidget {
    Q_OBJECT
public:
    explicit ScrollingPage(QWidget* parent = nullptr);

    // The title; it also names the scrolling area for a screen reader.
    void setTitle(const QString& title);
    // Between the title and the page, always in view.
    void addFixed(QWidget* widget);
    // The scrolling page (the parent of its sections) and its sections, top to bottom.
    QWidget* page() const noexcept { return page_; }
    void addSection(QWidget* section);
    void addSection(QLayout* section);
    void setSectionSpacing(int spacing);

    // A section heading: bold and a little larger than the text.
    static QLabel* heading(QWidget* parent);
    // A heading with a button on its right.
    static QHBoxLayout* headingRow(QLabel* heading, QWidget* button);

private:
    QLabel* title_;
    QVBoxLayout* top_;
    QScrollArea* scroll_;
    QWidget* page_;
    QVBoxLayout* column_;
};

}  // namespace quillon::ui
