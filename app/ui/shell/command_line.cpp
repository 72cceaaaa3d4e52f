#include "app/ui/shell/command_line.h"

#include <cstdio>

#include "app/ui/shell/app_info.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

QStringList programArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

CommandLine parseCommandLine(const QStringList& arguments, bool lenient) {
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) return {CommandAction::help, {}, {}};
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version"))
            return {CommandAction::version, {}, {}};
        if (argument == QLatin1String("--show") && i + 1 < arguments.size()) {
            line.place = arguments[++i];
        } else if (argument.startsWith(QLatin1String("--show="))) {
            line.place = argument.mid(7);
        } else if (lenient && argument.startsWith('-') && !argument.startsWith(QLatin1String("--"))) {
            continue;  // QApplication's, or refused once it has taken its own
        } else if (!lenient || argument.startsWith('-')) {
            line.action = CommandAction::refuse;
            line.offending = argument;
            return line;
        }
    }
    return line;
}

QString usageText() {
    return qL("Folosire: quillon [--show <loc>] [--help | --version]\n"
              "\n"
              "Panou de control pentru serverele tmux: sesiuni, ferestre, pane-uri, scanner, șabloane.\n"
              "Un singur Quillon rulează pentru fiecare utilizator: pornit din nou, îl aduce în față pe\n"
              "cel care rulează.\n"
              "\n"
              "Opțiuni:\n"
              "  --show <loc>     deschide un loc în Quillon (cel care rulează, dacă există):\n"
              "                   panel, dashboard, session:<nume>[:preview|send|activity], scanner,\n"
              "                   templates, rules, learn, config, servers, search[:<text>],\n"
              "                   settings[:tmux|scanner|hosts|about], new-session, restore\n"
              "  -h, --help       afișează acest ajutor și ieși\n"
              "  -v, --version    afișează versiunea și ieși\n"
              "\n"
              "Fișiere:\n"
              "  ~/.config/quillon/org.quillon.Quillon.json   setările, regulile și șabloanele\n"
              "                   ($XDG_CONFIG_HOME în loc de ~/.config, când e setat)\n"
              "  ~/.local/state/quillon/snapshots/<server>/   instantaneele serverelor, pentru restaurare\n"
              "                   ($XDG_STATE_HOME în loc de ~/.local/state, când e setat)\n"
              "  ~/.config/autostart/org.quillon.Quillon.desktop   pornirea la autentificare\n"
              "\n"
              "Jurnalele scannerului și ale regulilor se țin în memorie; mesajele programului merg la\n"
              "ieșirea de erori.\n",
              "Usage: quillon [--show <place>] [--help | --version]\n"
              "\n"
              "A control panel for tmux servers: sessions, windows, panes, scanner, templates.\n"
              "One Quillon runs per user: starting it again brings the running one forward.\n"
              "\n"
              "Options:\n"
              "  --show <place>   open a place in Quillon (the running one, if any):\n"
              "                   panel, dashboard, session:<name>[:preview|send|activity], scanner,\n"
              "                   templates, rules, learn, config, servers, search[:<text>],\n"
              "                   settings[:tmux|scanner|hosts|about], new-session, restore\n"
              "  -h, --help       show this help and exit\n"
              "  -v, --version    show the version and exit\n"
              "\n"
              "Files:\n"
              "  ~/.config/quillon/org.quillon.Quillon.json   settings, rules and templates\n"
              "                   ($XDG_CONFIG_HOME instead of ~/.config when set)\n"
              "  ~/.local/state/quillon/snapshots/<server>/   server snapshots, for restore\n"
              "                   ($XDG_STATE_HOME instead of ~/.local/state when set)\n"
              "  ~/.config/autostart/org.quillon.Quillon.desktop   the start at login\n"
              "\n"
              "The scanner's and the rules' logs are kept in memory; the program's messages go to\n"
              "standard error.\n");
}

QString versionLine() { return QStringLiteral("quillon ") + AppInfo::version() + QLatin1Char('\n'); }

int answerCommandLine(const CommandLine& line) {
    switch (line.action) {
        case CommandAction::help: std::fputs(usageText().toUtf8().constData(), stdout); return 0;
        case CommandAction::version: std::fputs(versionLine().toUtf8().constData(), stdout); return 0;
        case CommandAction::refuse:
            std::fputs((qL("quillon: opțiune necunoscută: ", "quillon: unknown option: ") + line.offending +
                        QStringLiteral("\n\n") + usageText())
                           .toUtf8()
                           .constData(),
                       stderr);
            return 2;
        case CommandAction::start: break;
    }
    return 0;
}

}  // namespace quillon::ui
