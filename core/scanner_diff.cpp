#include "core/scanner_diff.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <unordered_map>

#include "core/l10n.h"

namespace quillon::ScannerDiff {

namespace {

using Kind = ScanEvent::Kind;

// The message pieces, picked once per diff rather than once per event.
struct Pieces {
    std::string sessionClosed = L("Sesiune închisă", "Session closed");
    std::string sessionOpened = L("Sesiune nouă", "Session opened");
    std::string windowsUnit = L("ferestre", "windows");
    std::string sessionRenamed = L("Redenumită", "Renamed");
    std::string windowClosed = L("fereastră închisă", "window closed");
    std::string windowOpened = L("fereastră nouă", "window opened");
    std::string windowRenamed = L("redenumită", "renamed");
};

constexpr std::string_view arrow = " → ";
constexpr std::string_view paneCountPiece = ": pane-uri ";

std::string concat(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (auto part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (auto part : parts) text.append(part);
    return text;
}

// First item per key. Windows and panes are few per parent, where a scan beats hashing;
// past a handful it switches to a hash map, so every lookup stays constant-time.
template <class Item, class Key, class KeyOf>
class FirstByKey {
public:
    FirstByKey(const std::vector<Item>& items, KeyOf keyOf) : items_(items), keyOf_(keyOf) {
        if (items.size() <= linearLimit) return;
        map_.reserve(items.size());
        for (const Item& item : items) map_.try_emplace(keyOf_(item), &item);
    }

    const Item* find(const Key& key) const {
        if (items_.size() <= linearLimit) {
            for (const Item& item : items_)
                if (keyOf_(item) == key) return &item;
            return nullptr;
        }
        auto found = map_.find(key);
        return found == map_.end() ? nullptr : found->second;
    }

private:
    static constexpr std::size_t linearLimit = 16;
    const std::vector<Item>& items_;
    KeyOf keyOf_;
    std::unordered_map<Key, const Item*> map_;
};

auto sessionKey = [](const TmuxSession& s) { return std::string_view(s.sessionID); };
auto windowKey = [](const TmuxWindow& w) { return w.index; };
auto paneKey = [](const TmuxPane& p) { return p.index; };

using SessionsByID = FirstByKey<TmuxSession, std::string_view, decltype(sessionKey)>;
using WindowsByIndex = FirstByKey<TmuxWindow, std::int64_t, decltype(windowKey)>;
using PanesByIndex = FirstByKey<TmuxPane, std::int64_t, decltype(paneKey)>;

void appendWindowEvents(std::vector<ScanEvent>& events, const Pieces& pieces, const std::string& s,
                        const TmuxSession& old, const TmuxSession& now) {
    WindowsByIndex oldWindows(old.windows, windowKey);
    WindowsByIndex newWindows(now.windows, windowKey);

    for (const TmuxWindow& window : old.windows) {
        if (newWindows.find(window.index)) continue;
        events.push_back(ScanEvent::make(
            Kind::windowRemoved,
            concat({s, ": ", pieces.windowClosed, " ", std::to_string(window.index), ":", window.name})));
    }

    for (const TmuxWindow& window : now.windows) {
        const std::string index = std::to_string(window.index);
        const TmuxWindow* before = oldWindows.find(window.index);
        if (!before) {
            events.push_back(ScanEvent::make(
                Kind::windowAdded, concat({s, ": ", pieces.windowOpened, " ", index, ":", window.name})));
            continue;
        }
        if (before->name != window.name) {
            events.push_back(ScanEvent::make(
                Kind::windowRenamed,
                concat({s, " ", index, ": ", pieces.windowRenamed, " ", before->name, arrow, window.name})));
        }
        PanesByIndex oldPanes(before->panes, paneKey);
        for (const TmuxPane& pane : window.panes) {
            const TmuxPane* previous = oldPanes.find(pane.index);
            if (!previous || previous->command == pane.command) continue;
            events.push_back(ScanEvent::make(
                Kind::paneChanged, concat({s, " ", index, ".", std::to_string(pane.index), ": ", previous->command,
                                           arrow, pane.command})));
        }
        if (before->panes.size() != window.panes.size()) {
            events.push_back(ScanEvent::make(
                Kind::paneChanged, concat({s, " ", index, paneCountPiece, std::to_string(before->panes.size()), arrow,
                                           std::to_string(window.panes.size())})));
        }
    }
}

std::vector<ScanEvent> compare(const std::vector<TmuxSession>& old, const std::vector<TmuxSession>& now,
                               bool descend) {
    const Pieces pieces;
    SessionsByID oldByID(old, sessionKey);
    SessionsByID newByID(now, sessionKey);
    std::vector<ScanEvent> events;

    for (const TmuxSession& session : old) {
        if (newByID.find(session.sessionID)) continue;
        events.push_back(ScanEvent::make(Kind::sessionRemoved, concat({pieces.sessionClosed, ": ", session.name})));
    }

    for (const TmuxSession& session : now) {
        const TmuxSession* before = oldByID.find(session.sessionID);
        if (!before) {
            events.push_back(ScanEvent::make(
                Kind::sessionAdded, concat({pieces.sessionOpened, ": ", session.name, " (",
                                            std::to_string(session.windowCount), " ", pieces.windowsUnit, ")"})));
            continue;
        }
        if (before->name != session.name) {
            events.push_back(ScanEvent::make(
                Kind::sessionRenamed, concat({pieces.sessionRenamed, ": ", before->name, arrow, session.name})));
        }
        if (descend) appendWindowEvents(events, pieces, session.name, *before, session);
    }
    return events;
}

}  // namespace

std::vector<ScanEvent> sessionLevelDiff(const std::vector<TmuxSession>& old, const std::vector<TmuxSession>& now) {
    return compare(old, now, false);
}

std::vector<ScanEvent> diff(const std::vector<TmuxSession>& old, const std::vector<TmuxSession>& now) {
    return compare(old, now, true);
}

std::vector<ScanEvent> windowDiff(const std::string& session, const TmuxSession& old, const TmuxSession& now) {
    std::vector<ScanEvent> events;
    appendWindowEvents(events, Pieces{}, session, old, now);
    return events;
}

}  // namespace quillon::ScannerDiff
