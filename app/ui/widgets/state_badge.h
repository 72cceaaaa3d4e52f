#pragma once
// How a pane's state looks wherever a pane or a session is listed: a small capsule with the
// state's symbol, its colour and its text ("Waiting for input", "Bell", "Exited · status 3").
// The text is also what a screen reader reads for it. A session shows its most urgent pane.
//
// ShownStates tells a model which of its rows now show another badge, so a reading of the
// states repaints those rows only.

#include <QColor>
#include <QMetaType>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/pane_state.h"

class QFont;
class QPainter;
class QPalette;
class QRect;
class QSize;

namespace quillon::ui {

struct StateBadge {
    // The role under which models that paint through roles give a row's badge.
    static constexpr int role = Qt::UserRole + 64;

    Urgency urgency = Urgency::unknown;
    PaneState state = PaneState::unknown;
    std::optional<int> exitStatus;  // exited: its status, or the signal's number
    bool bySignal = false;

    // Nothing for a pane not read yet; an unknown state only where asked (a pane row has room
    // to say so, a session does not).
    static std::optional<StateBadge> of(const PaneStatus* status, bool showUnknown);

    QString text() const;
    std::string_view symbol() const;
    // The state's hue, darkened on light palettes and lightened on dark ones so its text reads.
    QColor color(const QPalette& palette) const;
    // What the badge is painted on: its colour, faint, over the palette's base.
    QColor fill(const QPalette& palette) const;
    // Symbol, text and padding, in the caption font of base.
    QSize size(const QFont& base) const;
    // On a selected row the badge takes the selection's text colour.
    void paint(QPainter& painter, const QRect& rect, const QFont& base, const QPalette& palette, bool selected = false) const;

    bool operator==(const StateBadge&) const = default;
};

// The badges a model's rows showed when last told, by row key.
class ShownStates {
public:
    // Compares every row's badge now with the one it showed, calls report(first, last) for
    // each run of changed rows, and remembers the new ones.
    template <class KeyAt, class BadgeAt, class Report>
    void follow(int rows, KeyAt keyAt, BadgeAt badgeAt, Report report) {
        std::unordered_map<std::string, StateBadge> now;
        now.reserve(std::size_t(rows));
        int run = -1;
        for (int row = 0; row < rows; ++row) {
            const std::string& key = keyAt(row);
            const std::optional<StateBadge> badge = badgeAt(row);
            const auto was = shown_.find(key);
            const bool changed = badge ? was == shown_.end() || !(was->second == *badge) : was != shown_.end();
            if (badge) now.emplace(key, *badge);
            if (changed && run < 0) run = row;
            if (!changed && run >= 0) report(std::exchange(run, -1), row - 1);
        }
        if (run >= 0) report(run, rows - 1);
        shown_ = std::move(now);
    }

private:
    std::unordered_map<std::string, StateBadge> shown_;
};

}  // namespace quillon::ui

Q_DECLARE_METATYPE(quillon::ui::StateBadge)
