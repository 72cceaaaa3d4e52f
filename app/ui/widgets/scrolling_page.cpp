#include "app/ui/widgets/scrolling_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/ui/widgets/components.h"

namespace quillon::ui {

ScrollingPage::ScrollingPage(QWidget* parent) : QWidget(parent) {
    title_ = new QLabel(this);
    title_->setFont(Paint::titleFont(font()));
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    page_ = new QWidget(scroll_);
    scroll_->setWidget(page_);
    column_ = new QVBoxLayout(page_);
    column_->setContentsMargins(20, 4, 20, 16);
    column_->setSpacing(10);
    column_->addStretch(1);

    top_ = new QVBoxLayout;
    top_->setContentsMargins(20, 0, 20, 0);
    top_->setSpacing(10);
    top_->addWidget(title_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 16, 0, 0);
    outer->setSpacing(10);
    outer->addLayout(top_);
    outer->addWidget(scroll_, 1);
}

void ScrollingPage::setTitle(const QString& title) {
    title_->setText(title);
    scroll_->setAccessibleName(title);
}

void ScrollingPage::addFixed(QWidget* widget) { top_->addWidget(widget); }

// Sections go above the closing stretch.
void ScrollingPage::addSection(QWidget* section) { column_->insertWidget(column_->count() - 1, section); }
void ScrollingPage::addSection(QLayout* section) { column_->insertLayout(column_->count() - 1, section); }
void ScrollingPage::setSectionSpacing(int spacing) { column_->setSpacing(spacing); }

QLabel* ScrollingPage::heading(QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    label->setFont(bold);
    return label;
}

QHBoxLayout* ScrollingPage::headingRow(QLabel* heading, QWidget* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(heading, 1);
    row->addWidget(button);
    return row;
}

}  // namespace quillon::ui

#include "moc_scrolling_page.cpp"
