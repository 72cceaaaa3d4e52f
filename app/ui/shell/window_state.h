#pragma once
// The main window's view state between runs: its size, position and maximised state (Qt's
// own geometry record) and the sidebar splitter's sizes. It is not a preference, so it lives
// apart from the settings, in the user's state folder ($XDG_STATE_HOME/quillon/view-state.json,
// default ~/.local/state), as one more defaults document. A missing or damaged document
// leaves the window as it was made; a failed write loses only the layout.

#include <QByteArray>
#include <QList>

#include <filesystem>
#include <optional>

#include "core/defaults_store.h"

class QMainWindow;
class QSplitter;

namespace quillon::ui {

class WindowState {
public:
    explicit WindowState(std::filesystem::path documentPath);
    // The document in the process's state folder.
    static WindowState standard();

    // Puts back what save() kept, where it still fits the screens.
    void restore(QMainWindow& window, QSplitter& splitter) const;
    // Keeps the window's geometry and the splitter's sizes; false when the write failed.
    bool save(const QMainWindow& window, const QSplitter& splitter);

private:
    DefaultsStore store_;
};

}  // namespace quillon::ui
