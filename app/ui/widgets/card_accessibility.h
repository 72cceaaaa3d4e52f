#pragma once
// What a screen reader finds in a list of cards: the list, one item per card, and on each
// card one action per button ("Attach", "Edit", …) besides the press that Return does and
// the menu that the menu key opens. A card's buttons are painted, not widgets, so without
// these actions a screen reader could read a card but not reach what it offers.

class QAccessibleInterface;
class QObject;
class QString;

namespace quillon::ui {

// Qt's factory hook: the interface of a CardListView, nothing for another object.
QAccessibleInterface* cardListAccessible(const QString& className, QObject* object);
// Installs the factory once per process.
void installCardAccessibility();

}  // namespace quillon::ui
