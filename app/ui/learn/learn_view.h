#pragma once
// The learn screen: the searchable tmux cheat sheet, every key shown with the server's real
// prefix and copyable with one click. Search looks at keys, titles and details; a language or
// prefix change is shown at once.

#include <vector>

#include "app/ui/learn/cheat_sheet.h"
#include "app/ui/widgets/scrolling_page.h"
#include "app/ui/ui_context.h"

class QAbstractButton;
class QLabel;
class QLineEdit;
class QToolButton;

namespace quillon::ui {

class KeyCap;

class LearnView : public ScrollingPage {
    Q_OBJECT
public:
    explicit LearnView(UiContext& context, QWidget* parent = nullptr);

    QLineEdit* searchField() const noexcept { return search_; }
    // What the search leaves on screen: category name → item titles, in order.
    std::vector<std::pair<QString, std::vector<QString>>> shownItems() const;
    QAbstractButton* copyButton(std::size_t category, std::size_t item) const;
    // The keys as drawn on an item's key cap.
    QString shownKeys(std::size_t category, std::size_t item) const;

private:
    struct ItemRow {
        QWidget* row;
        KeyCap* keys;
        QLabel* title;
        QLabel* detail;
        QToolButton* copy;
    };
    struct Section {
        QWidget* header;
        QLabel* name;
        std::vector<ItemRow> rows;
    };

    void buildSheet();
    void relabel();
    void showPrefix();
    void applySearch();

    UiContext& context_;
    std::vector<CheatCategory> sheet_;  // in the current language
    std::vector<Section> sections_;
    QLineEdit* search_;
    QLabel* prefixIntro_;
    KeyCap* prefixCap_;
    QLabel* prefixOutro_;
};

}  // namespace quillon::ui
