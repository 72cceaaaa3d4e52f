#include "app/ui/restore/restore_button.h"

#include "app/app_environment.h"
#include "app/snapshot_keeper.h"
#include "app/ui/restore/restore_dialog.h"
#include "app/ui/restore/restore_texts.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

RestoreButton::RestoreButton(UiContext& context, QWidget* parent) : QPushButton(parent), context_(context) {
    setIcon(Icons::symbol("arrow.clockwise"));
    connect(this, &QPushButton::clicked, this, &RestoreButton::openChooser);
    connect(&context.env.snapshots(), &SnapshotKeeper::offerChanged, this, &RestoreButton::follow);
    connect(&context.env, &AppEnvironment::languageChanged, this, &RestoreButton::follow);
    follow();
}

void RestoreButton::follow() {
    const auto& offer = context_.env.snapshots().offer();
    setVisible(offer.has_value());
    if (!offer) return;
    setText(restoreOfferText(*offer));
    setAccessibleName(text());
    setToolTip(qL("Alege instantaneul și sesiunile de adus înapoi", "Choose the snapshot and the sessions to bring back"));
}

void RestoreButton::openChooser() {
    emit choosing();
    QWidget* anchor = window();
    if (anchor->windowFlags().testFlag(Qt::Popup)) {
        context_.navigator.showMainWindow();
        anchor = nullptr;
    }
    auto* dialog = new RestoreDialog(context_, anchor);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

}  // namespace quillon::ui

#include "moc_restore_button.cpp"
