#pragma once
// The Settings window (480 × 360): General, tmux, Scanner (with pane states), Hosts and About tabs. Every control is
// bound both ways to the environment's preferences, so a change made elsewhere shows here at
// once and a change here is stored at once. The socket is applied only by "Apply socket" or
// Return. A failed launch-at-login change keeps the toggle where the user put it and says why
// in this window.
//
// Controls carry object names ("language", "pollingInterval", "socketValue"…) for tests and
// the screenshot script.

#include <QWidget>

#include <functional>

#include "app/ui/ui_context.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace quillon::ui {

class HostsPage;
class PaneStatesGroup;
class StatusLine;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(UiContext& context, QWidget* parent = nullptr);
    void showPage(SettingsPage page);
    // Why the last launch-at-login change failed; empty after a success.
    QString loginItemMessage() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A titled group: a captioned slider with its value, and a footer.
    struct SliderSection {
        QGroupBox* group;
        QLabel* caption;
        QSlider* slider;
        QLabel* value;
        QLabel* footer;
    };

    QWidget* buildGeneral();
    QWidget* buildTmux();
    QWidget* buildScanner();
    QWidget* buildAbout();
    // Runs sync now and whenever the environment emits signal.
    template <class Signal> void follow(Signal signal, const std::function<void()>& sync);
    void relabel();
    void changeLaunchAtLogin(bool enabled);
    void syncLaunchAtLogin();
    void showSocketMode();
    static SliderSection sliderSection(const char* name, int minimum, int maximum, QWidget* parent);

    UiContext& context_;
    QTabWidget* tabs_;
    bool applyingLoginItem_ = false;

    // General
    QFormLayout* generalForm_;
    QComboBox* language_;
    QComboBox* appearance_;
    QComboBox* terminal_;
    QCheckBox* launchAtLogin_;
    StatusLine* loginError_;
    SliderSection polling_;
    SliderSection idle_;
    // tmux
    QGroupBox* serverGroup_;
    QFormLayout* serverForm_;
    QLabel* binary_;
    QLabel* version_;
    QLabel* prefix_;
    QComboBox* socketMode_;
    QWidget* socketRow_;
    QLineEdit* socketValue_;
    QPushButton* applySocket_;
    QLabel* socketFooter_;
    QSpinBox* searchLines_;
    QLabel* searchFooter_;
    QGroupBox* restoreGroup_;
    QLabel* restartLabel_;
    QLineEdit* restartPrograms_;
    QLabel* restoreFooter_;
    // Scanner
    QGroupBox* scannerGroup_;
    QComboBox* scannerMode_;
    QLabel* scannerModeFooter_;
    QLabel* intervalLabel_;
    QSlider* interval_;
    QLabel* intervalValue_;
    QCheckBox* notifyOnClose_;
    QLabel* notifyFooter_;
    QCheckBox* autoCommands_;
    QLabel* autoFooter_;
    PaneStatesGroup* paneStates_;
    // Hosts
    HostsPage* hosts_;
    // About
    QLabel* aboutVersion_;
    QLabel* aboutDescription_;
};

}  // namespace quillon::ui
