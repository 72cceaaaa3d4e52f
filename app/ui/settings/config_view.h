#pragma once
// The configuration screen: ~/.tmux.conf shown read-only (or a starter example when there is
// none), opened in the desktop's editor, and reloaded on the running server with tmux's own
// answer shown. The file is read again each time the screen is shown or its window regains
// the focus (after editing it elsewhere).

#include <QWidget>

#include <optional>
#include <string>

#include "app/ui/ui_context.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace quillon::ui {

class StatusLine;

class ConfigView : public QWidget {
    Q_OBJECT
public:
    explicit ConfigView(UiContext& context, QWidget* parent = nullptr);

    // ~/.tmux.conf with the home directory spelled out.
    static std::string configPath();
    // Reads the file again; nothing when it cannot be read.
    void load();
    const std::optional<std::string>& configText() const noexcept { return configText_; }
    void reload();

    QPushButton* openButton() const noexcept { return open_; }
    QPushButton* reloadButton() const noexcept { return reload_; }
    // The status lines as shown (success, then the last error), empty when none.
    QString statusText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void relabel();
    void showServerState();
    void showStatus();

    UiContext& context_;
    std::optional<std::string> configText_;
    bool reloadDone_ = false;
    QLabel* title_;
    QLabel* pathLabel_;
    QPushButton* open_;
    QPushButton* reload_;
    StatusLine* done_;
    StatusLine* error_;
    QStackedWidget* content_;
    QPlainTextEdit* text_;
    QLabel* missingTitle_;
    QLabel* missingLine_;
    QLabel* example_;
};

}  // namespace quillon::ui
