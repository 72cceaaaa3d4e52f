#include "app/ui/learn/learn_view.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

// Keys drawn as a key cap: monospaced, medium weight, on a rounded background that follows
// the palette.
class KeyCap : public QLabel {
public:
    explicit KeyCap(QWidget* parent) : QLabel(parent) {
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSizeF(font().pointSizeF() * 0.95);
        mono.setWeight(QFont::Medium);
        setFont(mono);
        setTextFormat(Qt::PlainText);
        setContentsMargins(8, 3, 8, 3);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    // The cap's own size, whatever width the column gives it.
    QSize capSize() const { return QLabel::sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::WindowText);
        fill.setAlphaF(Theme::isDark(palette()) ? 0.14f : 0.08f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        const QSize cap = capSize();
        painter.drawRoundedRect(QRectF(0.5, (height() - cap.height()) / 2.0 + 0.5, cap.width() - 1, cap.height() - 1), 5, 5);
        painter.end();
        QLabel::paintEvent(event);
    }
};

LearnView::LearnView(UiContext& context, QWidget* parent) : ScrollingPage(parent), context_(context) {
    search_ = new QLineEdit(this);
    setFocusProxy(search_);  // a screen that opens takes the focus where the work is
    addFixed(search_);
    buildSheet();

    connect(search_, &QLineEdit::textChanged, this, &LearnView::applySearch);
    connect(&context.env, &AppEnvironment::prefixChanged, this, &LearnView::showPrefix);
    connect(&context.env, &AppEnvironment::languageChanged, this, &LearnView::relabel);
    relabel();
}

void LearnView::buildSheet() {
    QWidget* page = this->page();
    setSectionSpacing(6);

    auto* prefixRow = new QHBoxLayout;
    auto* keyboard = new QLabel(page);
    keyboard->setPixmap(Icons::symbol("keyboard").pixmap(18, 18));
    prefixIntro_ = new QLabel(page);
    prefixIntro_->setTextFormat(Qt::PlainText);
    prefixCap_ = new KeyCap(page);
    prefixOutro_ = new QLabel(page);
    prefixOutro_->setTextFormat(Qt::PlainText);
    prefixOutro_->setWordWrap(true);
    prefixRow->addWidget(keyboard);
    prefixRow->addWidget(prefixIntro_);
    prefixRow->addWidget(prefixCap_);
    prefixRow->addWidget(prefixOutro_, 1);
    addSection(prefixRow);

    sheet_ = CheatSheet::categories();
    for (std::size_t c = 0; c < sheet_.size(); ++c) {
        Section section;
        section.header = new QWidget(page);
        auto* icon = new QLabel(section.header);
        icon->setPixmap(Icons::symbol(sheet_[c].icon).pixmap(16, 16));
        section.name = new QLabel(section.header);
        QFont bold = section.name->font();
        bold.setBold(true);
        section.name->setFont(bold);
        auto* headerRow = new QHBoxLayout(section.header);
        headerRow->setContentsMargins(0, 14, 0, 2);
        headerRow->addWidget(icon);
        headerRow->addWidget(section.name, 1);
        addSection(section.header);

        for (std::size_t i = 0; i < sheet_[c].items.size(); ++i) {
            ItemRow item;
            item.row = new QWidget(page);
            item.keys = new KeyCap(item.row);
            item.title = new QLabel(item.row);
            item.detail = new SecondaryLabel({}, item.row);
            item.detail->setWordWrap(true);
            item.copy = new QToolButton(item.row);
            item.copy->setIcon(Icons::symbol("doc.on.doc"));
            item.copy->setAutoRaise(true);
            auto* texts = new QVBoxLayout;
            texts->setSpacing(1);
            texts->addWidget(item.title);
            texts->addWidget(item.detail);
            auto* row = new QHBoxLayout(item.row);
            row->setContentsMargins(0, 4, 0, 4);
            row->setSpacing(12);
            row->addWidget(item.keys, 0, Qt::AlignTop);
            row->addLayout(texts, 1);
            row->addWidget(item.copy, 0, Qt::AlignVCenter);
            addSection(item.row);
            connect(item.copy, &QToolButton::clicked, this, [this, c, i] {
                QGuiApplication::clipboard()->setText(qs(CheatSheet::withPrefix(sheet_[c].items[i].keys, context_.env.prefix())));
            });
            section.rows.push_back(item);
        }
        sections_.push_back(std::move(section));
    }
}

void LearnView::relabel() {
    sheet_ = CheatSheet::categories();
    setTitle(qL("Învățare tmux", "Learn tmux"));
    search_->setPlaceholderText(qL("Caută taste, comenzi sau concepte", "Search keys, commands or concepts"));
    search_->setAccessibleName(search_->placeholderText());
    prefixIntro_->setText(qL("Prefix-ul tău este", "Your prefix is"));
    prefixOutro_->setText(qL("— toate combinațiile ⟨prefix⟩ de mai jos încep cu el.", "— all ⟨prefix⟩ combos below start with it."));
    const QString copy = qL("Copiază", "Copy");
    for (std::size_t c = 0; c < sections_.size(); ++c) {
        sections_[c].name->setText(qs(sheet_[c].name));
        for (std::size_t i = 0; i < sections_[c].rows.size(); ++i) {
            const ItemRow& row = sections_[c].rows[i];
            row.title->setText(qs(sheet_[c].items[i].title));
            row.detail->setText(qs(sheet_[c].items[i].detail));
            row.copy->setToolTip(copy);
            row.copy->setAccessibleName(copy);
        }
    }
    showPrefix();
    applySearch();
}

void LearnView::showPrefix() {
    const std::string& prefix = context_.env.prefix();
    prefixCap_->setText(qs(prefix));
    for (std::size_t c = 0; c < sections_.size(); ++c) {
        int column = 0;
        for (std::size_t i = 0; i < sections_[c].rows.size(); ++i) {
            const ItemRow& row = sections_[c].rows[i];
            const QString keys = qs(CheatSheet::withPrefix(sheet_[c].items[i].keys, prefix));
            row.keys->setText(keys);
            row.keys->setAccessibleName(keys);
            row.copy->setAccessibleDescription(keys);
            column = std::max(column, row.keys->capSize().width());
        }
        // One key column per section, so its titles line up.
        for (const ItemRow& row : sections_[c].rows) row.keys->setFixedWidth(column);
    }
}

void LearnView::applySearch() {
    const std::string query = toStd(search_->text());
    for (std::size_t c = 0; c < sections_.size(); ++c) {
        bool any = false;
        for (std::size_t i = 0; i < sections_[c].rows.size(); ++i) {
            const bool shown = CheatSheet::matches(sheet_[c].items[i], query);
            sections_[c].rows[i].row->setVisible(shown);
            any = any || shown;
        }
        sections_[c].header->setVisible(any);
    }
}

std::vector<std::pair<QString, std::vector<QString>>> LearnView::shownItems() const {
    std::vector<std::pair<QString, std::vector<QString>>> shown;
    for (const Section& section : sections_) {
        if (section.header->isHidden()) continue;
        std::vector<QString> titles;
        for (const ItemRow& row : section.rows)
            if (!row.row->isHidden()) titles.push_back(row.title->text());
        shown.emplace_back(section.name->text(), std::move(titles));
    }
    return shown;
}

QAbstractButton* LearnView::copyButton(std::size_t category, std::size_t item) const {
    return sections_.at(category).rows.at(item).copy;
}

QString LearnView::shownKeys(std::size_t category, std::size_t item) const {
    return sections_.at(category).rows.at(item).keys->text();
}

}  // namespace quillon::ui

#include "moc_learn_view.cpp"
