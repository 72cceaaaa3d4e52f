// Quillon: wires the shared stores, the windows and the tray together, once per user.
#include <QApplication>
#include <QIcon>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "app/ui/app_info.h"
#include "app/ui/quillon_app.h"
#include "app/ui/single_instance.h"
#include "core/process_runner.h"

int main(int argc, char** argv) {
    Q_INIT_RESOURCE(quillon);
    using namespace quillon;
    ignoreSigpipe();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(ui::AppInfo::version());
    QApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillon/org.quillon.Quillon.svg")));

    ui::SingleInstance instance;
    if (!instance.claim()) return 0;  // the running Quillon was asked to show itself

    ui::QuillonApp shell({AppEnvironment::shared(), TemplateStore::shared(), RuleStore::shared(), Notifier::system()});
    QObject::connect(&instance, &ui::SingleInstance::activationRequested, &shell, &ui::QuillonApp::showMainWindow);
    shell.start();
    return application.exec();
}
