#include "app/ui/widgets/editor_sheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

EditorSheet::EditorSheet(UiContext& context, QWidget* parent) : QDialog(parent) {
    setWindowModality(Qt::WindowModal);
    heading_ = new QLabel(this);
    heading_->setTextFormat(Qt::PlainText);
    heading_->setFont(Paint::titleFont(font()));
    sections_ = new QVBoxLayout;
    sections_->setSpacing(12);
    cancel_ = new QPushButton(this);
    save_ = new QPushButton(this);
    save_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(save_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(12);
    column->addWidget(heading_);
    column->addLayout(sections_);
    column->addStretch(1);
    column->addLayout(buttons);

    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(save_, &QPushButton::clicked, this, [this] {
        if (!isValid()) return;
        save();
        accept();
    });
    connect(&context.env, &AppEnvironment::languageChanged, this, [this] { relabel(); });
}

void EditorSheet::addSection(QWidget* section) { sections_->addWidget(section); }

void EditorSheet::validate() { save_->setEnabled(isValid()); }

void EditorSheet::relabelSheet(const QString& heading) {
    setWindowTitle(heading);
    heading_->setText(heading);
    cancel_->setText(qL("Anulează", "Cancel"));
    save_->setText(qL("Salvează", "Save"));
}

}  // namespace quillon::ui

#include "moc_editor_sheet.cpp"
