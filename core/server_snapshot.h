#pragma once
// What the app remembers of a server so that it can be rebuilt after the server dies: the
// shape of every session (windows with their names, indexes, layouts, zoom and active flags;
// panes with their directories, commands and active flags). Pane text is never kept: it may
// hold secrets. A snapshot is a plain value with one JSON form, the file of the snapshot ring.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/server_identity.h"
#include "core/tmux_model.h"

namespace quillon {

struct SnapshotPane {
    std::int64_t index = 0;
    std::string directory;
    std::string command;  // the foreground program's name, as tmux reports it
    bool isActive = false;

    bool operator==(const SnapshotPane&) const = default;
};

struct SnapshotWindow {
    std::int64_t index = 0;
    std::string name;
    std::string layout;  // tmux's window_layout, the unzoomed arrangement
    bool isActive = false;
    bool isZoomed = false;
    std::vector<SnapshotPane> panes;

    bool operator==(const SnapshotWindow&) const = default;
};

struct SnapshotSession {
    std::string name;
    std::string directory;
    std::vector<SnapshotWindow> windows;
    TimePoint created{};  // with the name, tells this session from a later one of that name

    std::int64_t paneCount() const noexcept;
    bool operator==(const SnapshotSession&) const = default;
};

struct ServerSnapshot {
    ServerIdentity server;  // the server it was taken of; nothing else may restore it
    TimePoint taken{};
    std::vector<SnapshotSession> sessions;

    bool operator==(const ServerSnapshot&) const = default;

    static ServerSnapshot capture(ServerIdentity server, const std::vector<TmuxSession>& sessions, TimePoint taken);
    std::vector<std::string> sessionNames() const;
};

// True when the two differ in what a restore would rebuild differently: sessions; windows'
// names, indexes, layouts, zoom; panes' indexes, directories, commands. Active flags and the
// time are not structure.
bool sameStructure(const ServerSnapshot& a, const ServerSnapshot& b);

// A layout string without its checksum and pane ids: what stays equal when the same
// arrangement is rebuilt with new panes ("80x24,0,0{40x24,0,0,39x24,41,0}").
std::string layoutShape(std::string_view layout);

// The JSON form. JSON holds UTF-8 only, so a text that is not (a window name with a stray
// byte) is written readable, with U+FFFD, and byte for byte beside it. Documents of older
// versions name their server only by its local folder ("work", "%2Ftmp%2Fs"); that is read
// back as the server of this machine it stands for. snapshotFromJson throws
// (nlohmann::json::exception or std::invalid_argument) when the value is not a snapshot;
// unknown keys are ignored.
nlohmann::json toJson(const ServerSnapshot& snapshot);
ServerSnapshot snapshotFromJson(const nlohmann::json& value);

}  // namespace quillon
