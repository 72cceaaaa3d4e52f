#pragma once
// The restore chooser: the server's snapshots (time and session names), the sessions of the
// chosen one to untick, and the result of the restore. Sessions the server runs already are
// shown but cannot be ticked: a restore never touches them.

#include <QDialog>

#include <cstdint>
#include <vector>

#include "app/ui/ui_context.h"
#include "core/snapshot_ring.h"

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillon::ui {

class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    RestoreDialog(UiContext& context, QWidget* parent = nullptr);

    QListWidget* snapshotList() const noexcept { return snapshots_; }
    QListWidget* sessionList() const noexcept { return sessions_; }
    QPushButton* restoreButton() const noexcept { return restore_; }
    QLabel* resultLabel() const noexcept { return result_; }
    // The snapshots shown, newest first (filled once the ring is read).
    const std::vector<StoredSnapshot>& stored() const noexcept { return stored_; }

    // Restores the ticked sessions of the chosen snapshot.
    void restoreChosen();

signals:
    void loaded();
    void restored();

private:
    // Reads the shown server's ring again; a read still out is ignored when it ends.
    void reload();
    void fill(RingContents contents);
    void showSessions(int row);
    void updateButton();
    void relabel();

    UiContext& context_;
    QLabel* intro_;
    QLabel* snapshotsHeading_;
    QListWidget* snapshots_;
    QLabel* sessionsHeading_;
    QListWidget* sessions_;
    QLabel* result_;
    QPushButton* restore_;
    QDialogButtonBox* buttons_;
    std::vector<StoredSnapshot> stored_;
    bool running_ = false;
    std::uint64_t loads_ = 0;
};

}  // namespace quillon::ui
