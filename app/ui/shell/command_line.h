#pragma once
// Quillon's own arguments. They are read twice: before the display is opened, so --help,
// --version and a misspelt option answer without one (a terminal over ssh, a package
// check), leaving Qt's single-dash options (-platform, -style …) to QApplication; then
// strictly on what QApplication left, where anything unknown is refused. A refusal prints
// the usage on stderr and ends with status 2.

#include <QString>
#include <QStringList>

namespace quillon::ui {

enum class CommandAction { start, help, version, refuse };

struct CommandLine {
    CommandAction action = CommandAction::start;
    QString place;      // --show <place>
    QString offending;  // the argument refused
};

// argv without the program's name, as the locale spells it.
QStringList programArguments(int argc, char** argv);
// arguments: without the program's name. lenient: single-dash options are Qt's, not ours.
CommandLine parseCommandLine(const QStringList& arguments, bool lenient);

// In the current language: options, places, where settings and snapshots live.
QString usageText();
QString versionLine();
// Prints help, version or refusal and gives the exit status; nothing for start.
int answerCommandLine(const CommandLine& line);

}  // namespace quillon::ui
