// Quillon: wires the shared stores, the windows and the tray together, once per user.
#include <QApplication>
#include <QIcon>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/platform/quit_on_signal.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "app/ui/shell/app_info.h"
#include "app/ui/shell/command_line.h"
#include "app/ui/shell/quillon_app.h"
#include "app/ui/shell/single_instance.h"
#include "core/l10n.h"
#include "core/process_runner.h"

int main(int argc, char** argv) {
    Q_INIT_RESOURCE(quillon);
    using namespace quillon;
    ignoreSigpipe();
    L10n::adoptAppLanguage(L10n::processEnvironment());
    // Help and version need no display; neither does refusing a misspelt option.
    if (const auto early = ui::parseCommandLine(ui::programArguments(argc, argv), true);
        early.action != ui::CommandAction::start)
        return ui::answerCommandLine(early);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(ui::AppInfo::version() + QStringLiteral(" (build ") + ui::AppInfo::build() + ')');
    QApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillon/org.quillon.Quillon.svg")));

    const auto line = ui::parseCommandLine(QApplication::arguments().mid(1), false);
    if (line.action != ui::CommandAction::start) return ui::answerCommandLine(line);
    const QString place = line.place;

    ui::SingleInstance instance;
    switch (instance.claim(place)) {
        case ui::SingleInstance::Claim::first: break;
        case ui::SingleInstance::Claim::handedOver: return 0;  // the running Quillon was asked instead
        case ui::SingleInstance::Claim::unreachable: return 1;  // said on stderr
    }

    QuitOnSignal quitOnSignal;
    ui::QuillonApp shell({AppEnvironment::shared(), TemplateStore::shared(), RuleStore::shared(), Notifier::system()});
    QObject::connect(&instance, &ui::SingleInstance::activationRequested, &shell, &ui::QuillonApp::show);
    shell.start();
    if (!place.isEmpty() && !shell.show(place)) qWarning("unknown place: %s", qPrintable(place));
    return application.exec();
}
