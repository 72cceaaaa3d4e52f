#include "app/ui/templates/template_editor.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/widgets/icons.h"
#include "app/ui/sessions/session_name_rule.h"
#include "app/ui/widgets/ui_text.h"
#include "core/text.h"

namespace quillon::ui {

TemplateEditor::TemplateEditor(UiContext& context, SessionTemplate sessionTemplate, QWidget* parent)
    : EditorSheet(context, parent), template_(std::move(sessionTemplate)) {
    setObjectName(QStringLiteral("templateEditor"));

    auto* general = new QGroupBox(this);
    name_ = new QLineEdit(qs(template_.name), general);
    name_->setObjectName(QStringLiteral("name"));
    directory_ = new QLineEdit(qs(template_.directory), general);
    directory_->setObjectName(QStringLiteral("directory"));
    choose_ = new QPushButton(Icons::symbol("folder"), QString(), general);
    auto* directoryRow = new QHBoxLayout;
    directoryRow->addWidget(directory_, 1);
    directoryRow->addWidget(choose_);
    auto* generalForm = new QFormLayout(general);
    generalForm->addRow(name_);
    generalForm->addRow(directoryRow);

    windowsGroup_ = new QGroupBox(this);
    windowRows_ = new QVBoxLayout;
    windowRows_->setSpacing(6);
    addWindow_ = new QPushButton(Icons::symbol("plus"), QString(), windowsGroup_);
    auto* windowsLayout = new QVBoxLayout(windowsGroup_);
    windowsLayout->addLayout(windowRows_);
    windowsLayout->addWidget(addWindow_, 0, Qt::AlignLeft);

    addSection(general);
    addSection(windowsGroup_);
    for (const TemplateWindow& window : template_.windows) appendRow(window);
    resize(560, std::max(360, sizeHint().height()));

    connect(name_, &QLineEdit::textChanged, this, &TemplateEditor::validate);
    connect(choose_, &QPushButton::clicked, this, &TemplateEditor::chooseDirectory);
    connect(addWindow_, &QPushButton::clicked, this, &TemplateEditor::addWindow);
    validate();
    relabel();
}

void TemplateEditor::save() { emit saved(editedTemplate()); }

bool TemplateEditor::isValid() const { return isValidSessionName(name_->text()); }

SessionTemplate TemplateEditor::editedTemplate() const {
    SessionTemplate t = template_;
    t.name = toStd(trimmedName(name_->text()));
    t.directory = std::string(text::trimBlanks(toStd(directory_->text())));
    t.windows.clear();
    for (const WindowRow& row : rows_) {
        TemplateWindow window{row.id, toStd(row.name->text()), toStd(row.command->text())};
        // The panes and layout saved from a live session have no fields here: they stay.
        for (const TemplateWindow& before : template_.windows)
            if (before.id == row.id) {
                window.layout = before.layout;
                window.panes = before.panes;
            }
        t.windows.push_back(std::move(window));
    }
    return t;
}

void TemplateEditor::addWindow() {
    const QString number = QString::number(rows_.size() + 1);
    appendRow({newTemplateID(), toStd(qL("fereastră", "window") + QStringLiteral(" ") + number), {}});
    rows_.back().name->setFocus();
}

void TemplateEditor::appendRow(const TemplateWindow& window) {
    auto* row = new QWidget(windowsGroup_);
    auto* name = new QLineEdit(qs(window.name), row);
    auto* command = new QLineEdit(qs(window.command), row);
    auto* remove = new QToolButton(row);
    remove->setIcon(Icons::symbol("minus.circle"));
    remove->setAutoRaise(true);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name, 2);
    layout->addWidget(command, 3);
    layout->addWidget(remove);
    windowRows_->addWidget(row);
    rows_.push_back({window.id, row, name, command, remove});
    relabelRow(rows_.back());
    connect(remove, &QToolButton::clicked, this, [this, row] {
        const auto found = std::find_if(rows_.begin(), rows_.end(), [row](const WindowRow& r) { return r.row == row; });
        if (found != rows_.end()) removeWindow(int(found - rows_.begin()));
    });
}

void TemplateEditor::removeWindow(int row) {
    if (row < 0 || row >= windowCount()) return;
    QWidget* gone = rows_[std::size_t(row)].row;
    gone->hide();
    gone->deleteLater();
    rows_.erase(rows_.begin() + row);
}

void TemplateEditor::chooseDirectory() {
    auto* chooser = new QFileDialog(this);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::Directory);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    chooser->setWindowTitle(qL("Alege directorul", "Choose the directory"));
    if (!directory_->text().isEmpty()) chooser->setDirectory(directory_->text());
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString& path) { directory_->setText(path); });
    chooser->open();
}

void TemplateEditor::relabel() {
    relabelSheet(qL("Template sesiune", "Session template"));
    name_->setPlaceholderText(qL("Nume sesiune", "Session name"));
    name_->setAccessibleName(name_->placeholderText());
    directory_->setPlaceholderText(qL("Director (opțional)", "Directory (optional)"));
    directory_->setAccessibleName(directory_->placeholderText());
    choose_->setText(qL("Alege…", "Choose…"));
    windowsGroup_->setTitle(qL("Ferestre", "Windows"));
    for (const WindowRow& row : rows_) relabelRow(row);
    addWindow_->setText(qL("Adaugă fereastră", "Add window"));
}

void TemplateEditor::relabelRow(const WindowRow& row) {
    row.name->setPlaceholderText(qL("nume fereastră", "window name"));
    row.name->setAccessibleName(row.name->placeholderText());
    row.command->setPlaceholderText(qL("comandă la pornire (opțional)", "startup command (optional)"));
    row.command->setAccessibleName(row.command->placeholderText());
    const QString removeText = qL("Elimină fereastra", "Remove window");
    row.remove->setToolTip(removeText);
    row.remove->setAccessibleName(removeText);
}

}  // namespace quillon::ui

#include "moc_template_editor.cpp"
