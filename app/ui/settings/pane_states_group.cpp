#include "app/ui/settings/pane_states_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/text.h"

namespace quillon::ui {
namespace {

constexpr int offItem = -1;
constexpr int shownPauseItem = 100;  // the pause in force, "Until 14:35"

QString wallTime(TimePoint instant) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.date() == QDate::currentDate() ? local.toString(QStringLiteral("HH:mm"))
                                                : local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

}  // namespace

PaneStatesGroup::PaneStatesGroup(AppEnvironment& env, QWidget* parent) : QGroupBox(parent), env_(env) {
    silenceLabel_ = new QLabel(this);
    silence_ = new QSpinBox(this);
    silence_->setObjectName(QStringLiteral("silenceThreshold"));
    silence_->setRange(int(silenceMinimum), int(silenceMaximum));
    silence_->setSingleStep(5);
    // A number being typed ("1" on the way to "120") is not yet a value.
    silence_->setKeyboardTracking(false);
    silenceLabel_->setBuddy(silence_);
    silenceFooter_ = new SecondaryLabel({}, this);
    silenceFooter_->setWordWrap(true);
    silenceFooter_->setFont(Paint::captionFont(font()));
    notifyLabel_ = new QLabel(this);
    for (NoticeKind kind : allNoticeKinds()) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("notify.") + qs(toRaw(kind)));
        switches_[kind] = box;
        connect(box, &QCheckBox::toggled, this, [this, kind](bool on) { env_.setPaneNotification(kind, on); });
    }
    dndLabel_ = new QLabel(this);
    dnd_ = new QComboBox(this);
    dnd_->setObjectName(QStringLiteral("doNotDisturb"));
    dndLabel_->setBuddy(dnd_);
    dnd_->addItem(QString(), offItem);
    for (std::size_t i = 0; i < doNotDisturbChoices().size(); ++i) dnd_->addItem(QString(), int(i));
    dndState_ = new QLabel(this);
    dndState_->setObjectName(QStringLiteral("doNotDisturbState"));
    dndState_->setTextFormat(Qt::PlainText);
    problems_ = new StatusLine("exclamationmark.triangle", Theme::orange(), this);

    auto* form = new QFormLayout;
    form->addRow(silenceLabel_, silence_);
    form->addRow(silenceFooter_);
    form->addRow(dndLabel_, dnd_);
    form->addRow(dndState_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(notifyLabel_);
    for (NoticeKind kind : allNoticeKinds()) column->addWidget(switches_[kind]);
    column->addWidget(problems_);

    connect(silence_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int seconds) { env_.setSilenceThreshold(seconds); });
    connect(dnd_, qOverload<int>(&QComboBox::activated), this, &PaneStatesGroup::chooseDoNotDisturb);
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &PaneStatesGroup::showDoNotDisturb);

    const auto showSilence = [this] {
        const QSignalBlocker quiet(silence_);
        silence_->setValue(int(std::lround(env_.silenceThreshold())));
    };
    const auto showSwitches = [this] {
        for (auto& [kind, box] : switches_) {
            const QSignalBlocker quiet(box);
            box->setChecked(env_.paneNotifications().enabled(kind));
        }
    };
    connect(&env_, &AppEnvironment::silenceThresholdChanged, this, showSilence);
    connect(&env_, &AppEnvironment::paneNotificationsChanged, this, showSwitches);
    connect(&env_, &AppEnvironment::doNotDisturbChanged, this, &PaneStatesGroup::showDoNotDisturb);
    connect(&env_, &AppEnvironment::languageChanged, this, &PaneStatesGroup::relabel);
    showSilence();
    showSwitches();
    relabel();
}

void PaneStatesGroup::relabel() {
    setTitle(qL("Stările pane-urilor", "Pane states"));
    silenceLabel_->setText(qL("Prag de &liniște:", "&Silence threshold:"));
    silence_->setAccessibleName(qL("Prag de liniște, în secunde", "Silence threshold, in seconds"));
    // The field inside the spin box takes the focus; a screen reader names it the same.
    for (auto* field : silence_->findChildren<QLineEdit*>()) field->setAccessibleName(silence_->accessibleName());
    silence_->setSuffix(QStringLiteral(" s"));
    silenceFooter_->setText(qL("Un program care a scris ceva și apoi tace atâtea secunde devine „Liniștit”.",
                               "A program that printed and then stays silent this many seconds becomes “Quiet”."));
    notifyLabel_->setText(qL("Notificări pe desktop pentru:", "Desktop notifications for:"));
    for (auto& [kind, box] : switches_) {
        box->setText(qs(label(kind)));
        box->setAccessibleName(qL("Notificare: ", "Notify: ") + qs(label(kind)));
    }
    dndLabel_->setText(qL("&Nu deranja:", "&Do not disturb:"));
    dnd_->setAccessibleName(qL("Nu deranja", "Do not disturb"));
    dnd_->setItemText(0, qL("Oprit", "Off"));
    for (std::size_t i = 0; i < doNotDisturbChoices().size(); ++i)
        dnd_->setItemText(int(i) + 1, qs(doNotDisturbChoiceLabel(doNotDisturbChoices()[i])));
    const auto& problems = env_.settingsProblems();
    problems_->setText(qs(text::join(problems, " ")));
    problems_->setVisible(!problems.empty());
    showDoNotDisturb();
}

QString PaneStatesGroup::doNotDisturbText() const { return dndState_->isHidden() ? QString() : dndState_->text(); }

void PaneStatesGroup::showDoNotDisturb() {
    const QSignalBlocker quiet(dnd_);
    if (const int shown = dnd_->findData(shownPauseItem); shown >= 0) dnd_->removeItem(shown);
    expiry_.stop();
    const DoNotDisturb& pause = env_.doNotDisturb();
    const TimePoint now = Clock::now();
    QString state;
    if (!pause.holds(now)) {
        dnd_->setCurrentIndex(0);
    } else if (pause.untilTurnedOff) {
        dnd_->setCurrentIndex(dnd_->count() - 1);
        state = qL("Notificările stau până oprești „Nu deranja”.", "Notifications are paused until you turn it off.");
    } else {
        const QString until = wallTime(*pause.until);
        dnd_->addItem(qL("Până la ", "Until ") + until, shownPauseItem);
        dnd_->setCurrentIndex(dnd_->count() - 1);
        state = qL("Notificările stau până la ", "Notifications are paused until ") + until + QStringLiteral(".");
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*pause.until - now).count();
        // A timer's range is about 24 days; a longer pause is looked at again then.
        expiry_.start(int(std::min<long long>(left + 50, 1'000'000'000)));
    }
    dndState_->setText(state);
    dndState_->setAccessibleName(state);
    dndState_->setVisible(!state.isEmpty());
}

void PaneStatesGroup::chooseDoNotDisturb(int index) {
    const int choice = dnd_->itemData(index).toInt();
    if (choice == offItem) env_.turnOffDoNotDisturb();
    else if (choice >= 0 && choice < int(doNotDisturbChoices().size()))
        env_.startDoNotDisturb(doNotDisturbChoices()[std::size_t(choice)]);
    showDoNotDisturb();
}

}  // namespace quillon::ui

#include "moc_pane_states_group.cpp"
