#include "app/ui/settings/settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

#include "app/app_environment.h"
#include "app/ui/search/search_scrollback.h"
#include "app/ui/settings/hosts_page.h"
#include "app/ui/settings/pane_states_group.h"
#include "app/ui/shell/app_info.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"
#include "core/text.h"

namespace quillon::ui {
namespace {

// A tab's content, scrolling when a language's texts make it taller than the window.
QWidget* scrolling(QWidget* content, QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    return scroll;
}

QComboBox* picker(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QSlider* slider(const char* name, int minimum, int maximum, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(minimum, maximum);
    s->setPageStep(1);
    return s;
}

QLabel* footer(QWidget* parent) {
    auto* label = new SecondaryLabel({}, parent);
    label->setWordWrap(true);
    label->setFont(Paint::captionFont(parent->font()));
    return label;
}

// A slider with its value beside it, under a caption.
QWidget* sliderRow(QLabel*& caption, QSlider* s, QLabel*& value, QWidget* parent) {
    auto* row = new QWidget(parent);
    caption = new QLabel(row);
    value = new QLabel(row);
    value->setTextFormat(Qt::PlainText);
    value->setMinimumWidth(40);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    s->setParent(row);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(caption);
    layout->addWidget(s, 1);
    layout->addWidget(value);
    return row;
}

void selectData(QComboBox* box, int value) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(box->findData(value));
}

void setSlider(QSlider* s, int value) {
    const QSignalBlocker quiet(s);
    s->setValue(value);
}

// The filled terminal symbol: a rounded screen with a prompt cut out. Theme icons offer only
// full-colour application art at this size, which a tint would turn into a plain square.
QPixmap terminalGlyph(int size, const QColor& colour, qreal ratio) {
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const QRectF screen(size * 0.04, size * 0.14, size * 0.92, size * 0.72);
    painter.drawRoundedRect(screen, size * 0.12, size * 0.12);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(QPen(Qt::black, size * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal left = screen.left() + size * 0.16, mid = screen.center().y();
    painter.drawPolyline(QPolygonF{{left, mid - size * 0.12}, {left + size * 0.13, mid}, {left, mid + size * 0.12}});
    painter.drawLine(QPointF(left + size * 0.22, mid + size * 0.14), QPointF(left + size * 0.44, mid + size * 0.14));
    return pixmap;
}

void setLabelFor(QFormLayout* form, QWidget* field, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(form->labelForField(field))) label->setText(text);
}

}  // namespace

SettingsView::SliderSection SettingsView::sliderSection(const char* name, int minimum, int maximum, QWidget* parent) {
    SliderSection section{new QGroupBox(parent), nullptr, nullptr, nullptr, nullptr};
    section.slider = slider(name, minimum, maximum, section.group);
    section.footer = footer(section.group);
    auto* column = new QVBoxLayout(section.group);
    column->addWidget(sliderRow(section.caption, section.slider, section.value, section.group));
    column->addWidget(section.footer);
    return section;
}

template <class Signal>
void SettingsView::follow(Signal signal, const std::function<void()>& sync) {
    connect(&context_.env, signal, this, sync);
    sync();
}

SettingsView::SettingsView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setWindowFlag(Qt::Window);
    setFixedSize(480, 360);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(buildGeneral(), Icons::symbol("gearshape"), QString());
    tabs_->addTab(buildTmux(), Icons::symbol("terminal"), QString());
    tabs_->addTab(buildScanner(), Icons::symbol("dot.radiowaves.left.and.right"), QString());
    hosts_ = new HostsPage(context_, tabs_);
    tabs_->addTab(hosts_, Icons::symbol("server.rack"), QString());
    tabs_->addTab(buildAbout(), Icons::symbol("info.circle"), QString());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(tabs_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &SettingsView::relabel);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == int(SettingsPage::general)) syncLaunchAtLogin();
    });
}

void SettingsView::showPage(SettingsPage page) { tabs_->setCurrentIndex(int(page)); }

// ---- General ----

QWidget* SettingsView::buildGeneral() {
    auto& env = context_.env;
    auto* page = new QWidget;
    generalForm_ = new QFormLayout;
    language_ = picker("language", page);
    for (AppLanguage l : {AppLanguage::system, AppLanguage::ro, AppLanguage::en}) language_->addItem(QString(), int(l));
    appearance_ = picker("appearance", page);
    for (AppAppearance a : allAppAppearances()) appearance_->addItem(QString(), int(a));
    terminal_ = picker("terminal", page);
    for (TerminalApp t : env.availableTerminals()) terminal_->addItem(qs(displayName(t)), int(t));
    launchAtLogin_ = new QCheckBox(page);
    launchAtLogin_->setObjectName(QStringLiteral("launchAtLogin"));
    loginError_ = new StatusLine("exclamationmark.triangle", Theme::orange(), page);
    for (QWidget* field : {static_cast<QWidget*>(language_), static_cast<QWidget*>(appearance_), static_cast<QWidget*>(terminal_)})
        generalForm_->addRow(new QLabel(page), field);
    generalForm_->addRow(launchAtLogin_);
    generalForm_->addRow(loginError_);

    polling_ = sliderSection("pollingInterval", 1, 30, page);
    idle_ = sliderSection("idleThreshold", 1, 168, page);

    auto* column = new QVBoxLayout(page);
    column->addLayout(generalForm_);
    column->addWidget(polling_.group);
    column->addWidget(idle_.group);
    column->addStretch(1);

    connect(language_, qOverload<int>(&QComboBox::activated), this,
            [this, &env] { env.setLanguage(AppLanguage(language_->currentData().toInt())); });
    connect(appearance_, qOverload<int>(&QComboBox::activated), this,
            [this, &env] { env.setAppearance(AppAppearance(appearance_->currentData().toInt())); });
    connect(terminal_, qOverload<int>(&QComboBox::activated), this,
            [this, &env] { env.setPreferredTerminal(TerminalApp(terminal_->currentData().toInt())); });
    connect(launchAtLogin_, &QCheckBox::toggled, this, &SettingsView::changeLaunchAtLogin);
    connect(polling_.slider, &QSlider::valueChanged, this, [&env](int seconds) { env.setPollingInterval(seconds); });
    connect(idle_.slider, &QSlider::valueChanged, this, [&env](int hours) { env.setIdleThresholdHours(hours); });

    follow(&AppEnvironment::languageChanged, [this, &env] { selectData(language_, int(env.language())); });
    follow(&AppEnvironment::appearanceChanged, [this, &env] { selectData(appearance_, int(env.appearance())); });
    follow(&AppEnvironment::preferredTerminalChanged, [this, &env] { selectData(terminal_, int(env.preferredTerminal())); });
    follow(&AppEnvironment::launchAtLoginChanged, [this] { syncLaunchAtLogin(); });
    follow(&AppEnvironment::pollingIntervalChanged, [this, &env] {
        setSlider(polling_.slider, int(std::lround(env.pollingInterval())));
        polling_.value->setText(QString::number(std::lround(env.pollingInterval())) + QStringLiteral("s"));
    });
    follow(&AppEnvironment::idleThresholdHoursChanged, [this, &env] {
        setSlider(idle_.slider, int(std::lround(env.idleThresholdHours())));
        idle_.value->setText(QString::number(std::lround(env.idleThresholdHours())) + QStringLiteral("h"));
    });
    return scrolling(page, tabs_);
}

void SettingsView::changeLaunchAtLogin(bool enabled) {
    applyingLoginItem_ = true;
    context_.env.setLaunchAtLogin(enabled);
    applyingLoginItem_ = false;
    if (context_.env.launchAtLogin() == enabled) return loginError_->hide();
    // The toggle stays where the user put it; the reason stays here, where it was asked.
    const auto& error = context_.env.lastError();
    loginError_->setText(error ? qs(*error) : QStringLiteral("Login item"));
    loginError_->show();
}

void SettingsView::syncLaunchAtLogin() {
    if (applyingLoginItem_) return;
    loginError_->hide();
    const QSignalBlocker quiet(launchAtLogin_);
    launchAtLogin_->setChecked(context_.env.launchAtLogin());
}

QString SettingsView::loginItemMessage() const { return loginError_->isVisibleTo(this) ? loginError_->text() : QString(); }

void SettingsView::showEvent(QShowEvent* event) {
    // The desktop may have changed the entry while the window was closed.
    syncLaunchAtLogin();
    QWidget::showEvent(event);
}

void SettingsView::hideEvent(QHideEvent* event) {
    // Closing the window does not wait for the pause after the last change.
    context_.env.saveSettingsNow();
    QWidget::hideEvent(event);
}

// ---- tmux ----

QWidget* SettingsView::buildTmux() {
    auto& env = context_.env;
    auto* page = new QWidget;
    serverGroup_ = new QGroupBox(page);
    serverForm_ = new QFormLayout(serverGroup_);
    binary_ = new QLabel(serverGroup_);
    binary_->setTextFormat(Qt::PlainText);
    version_ = new QLabel(serverGroup_);
    version_->setTextFormat(Qt::PlainText);
    prefix_ = new QLabel(serverGroup_);
    prefix_->setTextFormat(Qt::PlainText);
    for (QLabel* value : {binary_, version_, prefix_}) value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    binary_->setWordWrap(true);
    binary_->setObjectName(QStringLiteral("binary"));
    version_->setObjectName(QStringLiteral("version"));
    socketMode_ = picker("socketMode", serverGroup_);
    for (TmuxSocketMode mode : allTmuxSocketModes()) socketMode_->addItem(QString(), int(mode));
    socketRow_ = new QWidget(serverGroup_);
    socketValue_ = new QLineEdit(socketRow_);
    socketValue_->setObjectName(QStringLiteral("socketValue"));
    applySocket_ = new QPushButton(socketRow_);
    applySocket_->setObjectName(QStringLiteral("applySocket"));
    auto* socketLayout = new QHBoxLayout(socketRow_);
    socketLayout->setContentsMargins(0, 0, 0, 0);
    socketLayout->addWidget(socketValue_, 1);
    socketLayout->addWidget(applySocket_);
    socketFooter_ = footer(serverGroup_);
    serverForm_->addRow(new QLabel(serverGroup_), binary_);
    serverForm_->addRow(new QLabel(serverGroup_), version_);
    serverForm_->addRow(QStringLiteral("Prefix"), prefix_);
    serverForm_->addRow(QStringLiteral("Socket"), socketMode_);
    serverForm_->addRow(socketRow_);
    serverForm_->addRow(socketFooter_);
    searchLines_ = new QSpinBox(serverGroup_);
    searchLines_->setObjectName(QStringLiteral("searchScrollbackLines"));
    searchLines_->setRange(0, 50000);
    searchLines_->setSingleStep(500);
    searchFooter_ = footer(serverGroup_);
    serverForm_->addRow(new QLabel(serverGroup_), searchLines_);
    serverForm_->addRow(searchFooter_);
    restoreGroup_ = new QGroupBox(page);
    restartLabel_ = new QLabel(restoreGroup_);
    restartPrograms_ = new QLineEdit(restoreGroup_);
    restartPrograms_->setObjectName(QStringLiteral("restartPrograms"));
    restartPrograms_->setPlaceholderText(QStringLiteral("vim, htop, tail"));
    restartLabel_->setBuddy(restartPrograms_);
    restoreFooter_ = footer(restoreGroup_);
    auto* restoreColumn = new QVBoxLayout(restoreGroup_);
    restoreColumn->addWidget(restartLabel_);
    restoreColumn->addWidget(restartPrograms_);
    restoreColumn->addWidget(restoreFooter_);
    auto* column = new QVBoxLayout(page);
    column->addWidget(serverGroup_);
    column->addWidget(restoreGroup_);
    column->addStretch(1);

    connect(socketMode_, qOverload<int>(&QComboBox::activated), this,
            [this, &env] { env.setSocketMode(TmuxSocketMode(socketMode_->currentData().toInt())); });
    connect(socketValue_, &QLineEdit::textEdited, this, [&env](const QString& text) { env.setSocketValue(toStd(text)); });
    connect(socketValue_, &QLineEdit::returnPressed, this, [&env] { env.applySocketSettings(); });
    connect(applySocket_, &QPushButton::clicked, this, [&env] { env.applySocketSettings(); });
    searchLines_->setValue(int(SearchScrollback::load()));
    connect(searchLines_, qOverload<int>(&QSpinBox::valueChanged), this,
            [](int lines) { SearchScrollback::store(lines); });
    connect(restartPrograms_, &QLineEdit::textEdited, this,
            [&env](const QString& text) { env.setRestartPrograms(parseProgramList(toStd(text))); });
    connect(restartPrograms_, &QLineEdit::editingFinished, this, [this, &env] {
        restartPrograms_->setText(qs(text::join(env.restartPrograms(), ", ")));
    });

    follow(&AppEnvironment::tmuxVersionChanged,
           [this, &env] { showValue(*version_, env.tmuxVersion().empty() ? QStringLiteral("—") : qs(env.tmuxVersion())); });
    follow(&AppEnvironment::prefixChanged, [this, &env] { showValue(*prefix_, qs(env.prefix())); });
    follow(&AppEnvironment::socketModeChanged, [this] { showSocketMode(); });
    follow(&AppEnvironment::restartProgramsChanged, [this, &env] {
        if (parseProgramList(toStd(restartPrograms_->text())) != env.restartPrograms())
            restartPrograms_->setText(qs(text::join(env.restartPrograms(), ", ")));
    });
    follow(&AppEnvironment::socketValueChanged, [this, &env] {
        if (socketValue_->text() != qs(env.socketValue())) socketValue_->setText(qs(env.socketValue()));
    });
    return scrolling(page, tabs_);
}

void SettingsView::showSocketMode() {
    const TmuxSocketMode mode = context_.env.socketMode();
    selectData(socketMode_, int(mode));
    socketRow_->setVisible(mode != TmuxSocketMode::default_);
    socketValue_->setPlaceholderText(mode == TmuxSocketMode::path ? qL("/cale/către/socket", "/path/to/socket")
                                                                  : qL("nume socket", "socket name"));
    socketValue_->setAccessibleName(socketValue_->placeholderText());
}

// ---- Scanner ----

QWidget* SettingsView::buildScanner() {
    auto& env = context_.env;
    auto* page = new QWidget;
    scannerGroup_ = new QGroupBox(QStringLiteral("Scanner"), page);
    scannerMode_ = picker("scannerMode", scannerGroup_);
    for (ScannerMode mode : allScannerModes()) scannerMode_->addItem(qs(label(mode)), int(mode));
    scannerModeFooter_ = footer(scannerGroup_);
    interval_ = slider("scannerInterval", 1, 20, scannerGroup_);  // halves of a second
    notifyOnClose_ = new QCheckBox(scannerGroup_);
    notifyOnClose_->setObjectName(QStringLiteral("notifyOnClose"));
    notifyFooter_ = footer(scannerGroup_);
    autoCommands_ = new QCheckBox(scannerGroup_);
    autoCommands_->setObjectName(QStringLiteral("autoCommands"));
    autoFooter_ = footer(scannerGroup_);
    auto* column = new QVBoxLayout(scannerGroup_);
    column->addWidget(scannerMode_);
    column->addWidget(scannerModeFooter_);
    column->addWidget(sliderRow(intervalLabel_, interval_, intervalValue_, scannerGroup_));
    column->addWidget(notifyOnClose_);
    column->addWidget(notifyFooter_);
    column->addWidget(autoCommands_);
    column->addWidget(autoFooter_);
    paneStates_ = new PaneStatesGroup(env, page);
    auto* outer = new QVBoxLayout(page);
    outer->addWidget(scannerGroup_);
    outer->addWidget(paneStates_);
    outer->addStretch(1);

    connect(scannerMode_, qOverload<int>(&QComboBox::activated), this,
            [this, &env] { env.setScannerMode(ScannerMode(scannerMode_->currentData().toInt())); });
    connect(interval_, &QSlider::valueChanged, this, [&env](int halves) { env.setScannerInterval(halves / 2.0); });
    connect(notifyOnClose_, &QCheckBox::toggled, this, [&env](bool on) { env.setNotifyOnClose(on); });
    connect(autoCommands_, &QCheckBox::toggled, this, [&env](bool on) { env.setAutoCommandsEnabled(on); });

    follow(&AppEnvironment::scannerModeChanged, [this, &env] { selectData(scannerMode_, int(env.scannerMode())); });
    follow(&AppEnvironment::scannerIntervalChanged, [this, &env] {
        setSlider(interval_, int(std::lround(env.scannerInterval() * 2.0)));
        intervalValue_->setText(QString::asprintf("%.1fs", env.scannerInterval()));
    });
    follow(&AppEnvironment::notifyOnCloseChanged, [this, &env] {
        const QSignalBlocker quiet(notifyOnClose_);
        notifyOnClose_->setChecked(env.notifyOnClose());
    });
    follow(&AppEnvironment::autoCommandsEnabledChanged, [this, &env] {
        const QSignalBlocker quiet(autoCommands_);
        autoCommands_->setChecked(env.autoCommandsEnabled());
    });
    return scrolling(page, tabs_);
}

// ---- About ----

QWidget* SettingsView::buildAbout() {
    auto* page = new QWidget(tabs_);
    auto* icon = new QLabel(page);
    icon->setPixmap(terminalGlyph(56, Theme::green(), devicePixelRatioF()));
    auto* name = new QLabel(AppInfo::name(), page);
    name->setFont(Paint::titleFont(font()));
    aboutVersion_ = new QLabel(page);
    aboutDescription_ = new QLabel(page);
    aboutDescription_->setWordWrap(true);
    auto* copyright = new SecondaryLabel(AppInfo::copyright(), page);
    copyright->setFont(Paint::captionFont(font()));
    copyright->setVisible(!AppInfo::copyright().isEmpty());
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    for (QLabel* label : {icon, name, aboutVersion_, aboutDescription_, static_cast<QLabel*>(copyright)}) {
        label->setAlignment(Qt::AlignCenter);
        column->addWidget(label);
    }
    column->addStretch(1);
    return page;
}

// ---- Texts ----

void SettingsView::relabel() {
    auto& env = context_.env;
    setWindowTitle(qL("Setări", "Settings"));
    tabs_->setTabText(int(SettingsPage::general), qL("General", "General"));
    tabs_->setTabText(int(SettingsPage::tmux), QStringLiteral("tmux"));
    tabs_->setTabText(int(SettingsPage::scanner), QStringLiteral("Scanner"));
    tabs_->setTabText(int(SettingsPage::hosts), qL("Gazde", "Hosts"));
    hosts_->relabel();
    tabs_->setTabText(int(SettingsPage::about), qL("Despre", "About"));
    tabs_->setAccessibleName(windowTitle());
    for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->setAccessibleName(tabs_->tabText(i));

    const QString languages[] = {qL("Sistem", "System"), QStringLiteral("Română"), QStringLiteral("English")};
    const QString appearances[] = {QStringLiteral("Sistem"), QStringLiteral("Luminos"), qL("Întunecat", "Dark")};
    for (int i = 0; i < 3; ++i) {
        language_->setItemText(i, languages[i]);
        appearance_->setItemText(i, appearances[i]);
    }
    const struct {
        QFormLayout* form;
        QWidget* field;
        QString text;
    } rows[] = {
        {generalForm_, language_, qL("Limbă:", "Language:")},
        {generalForm_, appearance_, qL("Aspect:", "Appearance:")},
        {generalForm_, terminal_, qL("Terminal la attach:", "Attach terminal:")},
        {serverForm_, binary_, qL("Binar", "Binary")},
        {serverForm_, version_, qL("Versiune", "Version")},
    };
    for (const auto& row : rows) {
        setLabelFor(row.form, row.field, row.text);
        // A value label is read by the value it shows (showValue), never by its row's name.
        if (!qobject_cast<QLabel*>(row.field)) row.field->setAccessibleName(QString(row.text).remove(QLatin1Char(':')));
    }
    launchAtLogin_->setText(qL("Pornește la login", "Launch at login"));
    polling_.group->setTitle(QStringLiteral("Polling"));
    polling_.caption->setText(qL("Interval refresh de rezervă", "Fallback refresh interval"));
    polling_.slider->setAccessibleName(polling_.caption->text());
    polling_.footer->setText(qL("tmux anunță singur schimbările; panoul reîncarcă la acest interval doar când nu îl "
                                "poate asculta.",
                                "tmux reports its changes as they happen; the panel reloads at this interval only "
                                "while it cannot listen."));
    idle_.group->setTitle(qL("Sesiuni idle", "Idle sessions"));
    idle_.caption->setText(qL("Prag idle", "Idle threshold"));
    idle_.slider->setAccessibleName(idle_.caption->text());
    idle_.footer->setText(qL("O sesiune neatașată de mai mult decât acest prag e marcată idle în dashboard, cu opțiune de cleanup.",
                            "A session detached longer than this threshold is flagged idle in the dashboard, with a cleanup "
                            "option."));

    serverGroup_->setTitle(qL("Server tmux", "tmux server"));
    showValue(*binary_, env.binaryPath() ? qs(*env.binaryPath()) : qL("negăsit", "not found"));
    socketMode_->setAccessibleName(QStringLiteral("Socket"));
    for (int i = 0; i < socketMode_->count(); ++i) socketMode_->setItemText(i, qs(label(allTmuxSocketModes()[std::size_t(i)])));
    applySocket_->setText(qL("Aplică socket", "Apply socket"));
    socketFooter_->setText(qL("Folosește un nume (-L) sau o cale (-S) ca să te conectezi la un server tmux separat de cel implicit.",
                              "Use a name (-L) or path (-S) to connect to a tmux server separate from the default."));
    setLabelFor(serverForm_, searchLines_, qL("Căutare: linii de scrollback", "Search: scrollback lines"));
    searchLines_->setAccessibleName(qL("Linii de scrollback căutate per pane", "Scrollback lines searched per pane"));
    // The field inside the spin box takes the focus; a screen reader names it the same.
    for (auto* field : searchLines_->findChildren<QLineEdit*>()) field->setAccessibleName(searchLines_->accessibleName());
    searchLines_->setSuffix(qL(" linii", " lines"));
    searchFooter_->setText(qL("Căutarea în pane-uri (Ctrl+K) citește ecranul fiecărui pane plus atâtea linii din "
                              "scrollback (0 = doar ecranul).",
                              "Pane search (Ctrl+K) reads each pane's screen plus this many lines of scrollback "
                              "(0 = the screen only)."));
    showSocketMode();
    restoreGroup_->setTitle(qL("Restaurare", "Restore"));
    restartLabel_->setText(qL("&Repornește aceste programe la restaurare", "&Restart these programs on restore"));
    restartPrograms_->setAccessibleName(qL("Repornește aceste programe la restaurare", "Restart these programs on restore"));
    restoreFooter_->setText(
        qL("Nume de programe, separate prin virgulă. Doar pane-urile care rulau unul dintre ele îl primesc din nou; "
           "în shell-uri nu se tastează nimic. Instantaneele stau în ~/.local/state/quillon/snapshots.",
           "Program names, separated by commas. Only panes that ran one of them get it typed again; shells are never "
           "typed into. Snapshots live in ~/.local/state/quillon/snapshots."));

    scannerMode_->setAccessibleName(QStringLiteral("Scanner"));
    scannerModeFooter_->setText(
        qL("Polling verifică la interval. Control mode primește evenimente push prin „tmux -C” (reacție instant), cu "
           "intervalul ca plasă de siguranță. Scanner-ul doar monitorizează — nu rulează comenzi automat.",
           "Polling checks on an interval. Control mode receives push events via “tmux -C” (instant), with the interval "
           "as a safety net. The scanner only monitors — it never runs commands automatically."));
    intervalLabel_->setText(QStringLiteral("Interval"));
    interval_->setAccessibleName(intervalLabel_->text());
    notifyOnClose_->setText(qL("Notificări la închidere sesiune/fereastră", "Notify on session/window close"));
    notifyFooter_->setText(qs(platformText(PlatformText::closeNotificationFooter)));
    autoCommands_->setText(qL("Auto-comenzi din reguli", "Auto-commands from rules"));
    autoFooter_->setText(qL("Permite regulilor de scanner să ruleze comenzi automat (send-keys/shell). Implicit oprit — "
                            "configurează regulile în secțiunea „Reguli scanner”.",
                            "Lets scanner rules run commands automatically (send-keys/shell). Off by default — configure "
                            "rules in the “Scanner rules” section."));

    aboutVersion_->setText(qL("Versiunea", "Version") + QStringLiteral(" ") + AppInfo::version() + QStringLiteral(" (build ") +
                           AppInfo::build() + QStringLiteral(")"));
    aboutDescription_->setText(qs(platformText(PlatformText::aboutDescription)));
}

}  // namespace quillon::ui

#include "moc_settings_view.cpp"
