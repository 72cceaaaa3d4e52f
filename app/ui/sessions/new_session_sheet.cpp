#include "app/ui/sessions/new_session_sheet.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/sessions/session_name_rule.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/paths.h"

namespace quillon::ui {

NewSessionSheet::NewSessionSheet(UiContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowModality(Qt::WindowModal);
    title_ = new QLabel(this);
    title_->setFont(Paint::titleFont(font()));

    nameLabel_ = new QLabel(this);
    name_ = new QLineEdit(this);
    nameLabel_->setBuddy(name_);
    warning_ = new StatusLine("exclamationmark.triangle", Theme::orange(), this);

    directoryLabel_ = new QLabel(this);
    directory_ = new QLineEdit(this);
    directoryLabel_->setBuddy(directory_);
    choose_ = new QPushButton(this);
    auto* directoryRow = new QHBoxLayout;
    directoryRow->addWidget(directory_, 1);
    directoryRow->addWidget(choose_);

    attachAfter_ = new QCheckBox(this);
    attachAfter_->setChecked(true);
    error_ = new StatusLine("exclamationmark.triangle", Theme::orange(), this);

    cancel_ = new QPushButton(this);
    create_ = new QPushButton(this);
    create_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(create_);

    auto* form = new QGridLayout;
    form->addWidget(nameLabel_, 0, 0);
    form->addWidget(name_, 0, 1);
    form->addWidget(warning_, 1, 1);
    form->addWidget(directoryLabel_, 2, 0);
    form->addLayout(directoryRow, 2, 1);
    form->addWidget(attachAfter_, 3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(12);
    layout->addWidget(title_);
    layout->addLayout(form);
    layout->addWidget(error_);
    layout->addLayout(buttons);
    setFixedWidth(420);

    connect(name_, &QLineEdit::textChanged, this, &NewSessionSheet::validate);
    connect(choose_, &QPushButton::clicked, this, &NewSessionSheet::chooseFolder);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(create_, &QPushButton::clicked, this, &NewSessionSheet::create);
    connect(&context_.env, &AppEnvironment::languageChanged, this, &NewSessionSheet::relabel);
    connect(&context_.env, &AppEnvironment::preferredTerminalChanged, this, &NewSessionSheet::relabel);
    relabel();
    validate();
}

void NewSessionSheet::relabel() {
    setWindowTitle(qL("Sesiune tmux nouă", "New tmux session"));
    title_->setText(windowTitle());
    nameLabel_->setText(qL("Nume", "Name"));
    name_->setPlaceholderText(qL("ex. lucru", "e.g. work"));
    name_->setAccessibleName(nameLabel_->text());
    warning_->setText(qL("Numele nu poate conține „:” sau „.”", "Name cannot contain “:” or “.”"));
    directoryLabel_->setText(qL("Director", "Directory"));
    directory_->setPlaceholderText(qL("opțional, ex. ~/proiect", "optional, e.g. ~/project"));
    directory_->setAccessibleName(directoryLabel_->text());
    choose_->setText(qL("Alege…", "Choose…"));
    attachAfter_->setText(qL("Attach în", "Attach in") + QStringLiteral(" ") + qs(displayName(context_.env.preferredTerminal())) +
                          QStringLiteral(" ") + qL("după creare", "after creating"));
    cancel_->setText(qL("Anulează", "Cancel"));
    create_->setText(qL("Creează", "Create"));
}

void NewSessionSheet::validate() {
    const QString trimmed = trimmedName(name_->text());
    // Blank names only keep Create disabled; the warning is about the separators.
    warning_->setVisible(!trimmed.isEmpty() && !isValidSessionName(trimmed));
    create_->setEnabled(!creating_ && isValidSessionName(trimmed));
}

bool NewSessionSheet::warningShown() const { return warning_->isVisibleTo(this); }
QString NewSessionSheet::errorText() const { return error_->isVisibleTo(this) ? error_->text() : QString(); }

void NewSessionSheet::chooseFolder() {
    const QString start = directory_->text().isEmpty() ? QDir::homePath() : qs(paths::expandTilde(toStd(directory_->text())));
    // Not the blocking getExistingDirectory: no nested event loop while the sheet may close.
    auto* chooser = new QFileDialog(this, choose_->text(), start);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::Directory);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!path.isEmpty()) directory_->setText(path);
    });
    chooser->open();
}

void NewSessionSheet::create() {
    if (creating_ || !isValidSessionName(name_->text())) return;
    const std::string name = toStd(trimmedName(name_->text()));
    std::optional<std::string> directory;
    if (!directory_->text().isEmpty()) directory = paths::expandTilde(toStd(directory_->text()));
    const bool attach = attachAfter_->isChecked();
    creating_ = true;
    error_->hide();
    validate();
    QPointer<NewSessionSheet> self(this);
    auto& env = context_.env;
    env.createSession(name, directory, [self, &env, name, attach] {
        if (!self) return;
        self->creating_ = false;
        self->validate();
        // The message would otherwise show only where the dashboard is open.
        if (env.lastError()) {
            self->error_->setText(qs(*env.lastError()));
            self->error_->show();
            return;
        }
        const auto& sessions = env.sessions();
        auto made = std::find_if(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == name; });
        if (attach && made != sessions.end()) env.attach(*made);
        self->accept();
    });
}

}  // namespace quillon::ui

#include "moc_new_session_sheet.cpp"
