#include "app/ui/new_session_sheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/ui_text.h"
#include "app/ui/session_name_rule.h"

namespace quillon::ui {

NewSessionSheet::NewSessionSheet(UiContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowModality(Qt::WindowModal);
    title_ = new QLabel(this);
    name_ = new QLineEdit(this);
    cancel_ = new QPushButton(this);
    create_ = new QPushButton(this);
    create_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(create_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(name_);
    layout->addLayout(buttons);
    resize(420, sizeHint().height());

    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) { create_->setEnabled(isValidSessionName(text)); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(create_, &QPushButton::clicked, this, &NewSessionSheet::create);
    create_->setEnabled(false);
    relabel();
}

void NewSessionSheet::relabel() {
    setWindowTitle(qL("Sesiune tmux nouă", "New tmux session"));
    title_->setText(windowTitle());
    name_->setPlaceholderText(qL("ex. lucru", "e.g. work"));
    name_->setAccessibleName(qL("Nume", "Name"));
    cancel_->setText(qL("Anulează", "Cancel"));
    create_->setText(qL("Creează", "Create"));
}

void NewSessionSheet::create() {
    if (!isValidSessionName(name_->text())) return;
    const std::string name = toStd(trimmedName(name_->text()));
    create_->setEnabled(false);
    QPointer<NewSessionSheet> self(this);
    context_.env.createSession(name, std::nullopt, [self] {
        if (self) self->accept();
    });
}

}  // namespace quillon::ui
