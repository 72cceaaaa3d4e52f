#pragma once
// Settings for pane states, in the Scanner tab: the silence threshold after which a running
// program counts as quiet, a notification switch per state, and "Do not disturb" for a
// while or until turned off, with the time it holds until. Bound both ways to the
// environment, like the rest of the window. What was wrong with the stored values at start
// is said here, where they are set.
//
// Object names: "silenceThreshold", "notify.<state>" ("notify.waitingForInput"…),
// "doNotDisturb", "doNotDisturbState".

#include <QGroupBox>
#include <QTimer>

#include <map>

#include "app/pane_notice_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class StatusLine;

class PaneStatesGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit PaneStatesGroup(AppEnvironment& env, QWidget* parent = nullptr);
    void relabel();
    // What the state line says now ("Paused until 14:35"), empty when off.
    QString doNotDisturbText() const;

private:
    void showDoNotDisturb();
    void chooseDoNotDisturb(int index);

    AppEnvironment& env_;
    QLabel* silenceLabel_;
    QSpinBox* silence_;
    QLabel* silenceFooter_;
    QLabel* notifyLabel_;
    std::map<NoticeKind, QCheckBox*> switches_;
    QLabel* dndLabel_;
    QComboBox* dnd_;
    QLabel* dndState_;
    StatusLine* problems_;
    QTimer expiry_;  // the pause's end, to show it over
};

}  // namespace quillon::ui
