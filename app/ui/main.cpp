// Quillon: wires the shared stores, the windows and the tray together, once per user.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "app/ui/shell/app_info.h"
#include "app/ui/shell/quillon_app.h"
#include "app/ui/shell/single_instance.h"
#include "core/process_runner.h"

int main(int argc, char** argv) {
    Q_INIT_RESOURCE(quillon);
    using namespace quillon;
    ignoreSigpipe();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(ui::AppInfo::version() + QStringLiteral(" (build ") + ui::AppInfo::build() + ')');
    QApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillon/org.quillon.Quillon.svg")));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Control panel for tmux servers."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption show(QStringLiteral("show"),
                                  QStringLiteral("Bring up a place: panel, dashboard, session:<name>[:preview|send|activity], scanner, templates, "
                                                 "rules, learn, config, settings[:tmux|scanner|about], new-session."),
                                  QStringLiteral("place"));
    options.addOption(show);
    options.process(application);
    const QString place = options.value(show);

    ui::SingleInstance instance;
    switch (instance.claim(place)) {
        case ui::SingleInstance::Claim::first: break;
        case ui::SingleInstance::Claim::handedOver: return 0;  // the running Quillon was asked instead
        case ui::SingleInstance::Claim::unreachable: return 1;  // said on stderr
    }

    ui::QuillonApp shell({AppEnvironment::shared(), TemplateStore::shared(), RuleStore::shared(), Notifier::system()});
    QObject::connect(&instance, &ui::SingleInstance::activationRequested, &shell, &ui::QuillonApp::show);
    shell.start();
    if (!place.isEmpty() && !shell.show(place)) qWarning("unknown place: %s", qPrintable(place));
    return application.exec();
}
