#pragma once
// Text from tmux or the user (a session name, a command, a path, pane text) shown exactly as
// it is. Qt reads a label, message box or tooltip whose text looks like markup as rich text,
// so a session named "<u>under</u>lined" would show underlined, and a menu reads "&" as a
// mnemonic. Labels take Qt::PlainText where they are made; the rest goes through these.

#include <QString>

class QMessageBox;

namespace quillon::ui {

// The box's text and informative text as plain text; call after setting both.
void keepPlain(QMessageBox& box);

// A tooltip that shows text as given: unchanged when Qt would not read it as markup, else
// escaped inside a paragraph (a tooltip has no plain-text switch).
QString plainToolTip(const QString& text);

// A menu item's text with "&" doubled, so it is shown, not read as a mnemonic.
QString plainMenuText(const QString& text);

}  // namespace quillon::ui
