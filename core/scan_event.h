#pragma once
// One change the scanner saw: a time-stamped, already localized one-line record.
// Shared by the scanner log, the close notifications and the rules.

#include <optional>
#include <string>

#include "core/tmux_model.h"

namespace quillon {

struct ScanEvent {
    enum class Kind {
        info,
        sessionAdded,
        sessionRemoved,
        sessionRenamed,
        windowAdded,
        windowRemoved,
        windowRenamed,
        paneChanged,
        error,
    };

    std::string id;  // random UUID, canonical lower-case form
    TimePoint timestamp{};
    Kind kind = Kind::info;
    std::string message;
    std::optional<std::string> session;  // only on control-mode window openings
    std::optional<std::string> target;   // ditto: the new window's id

    // A fresh event stamped now.
    static ScanEvent make(Kind kind, std::string message, std::optional<std::string> session = std::nullopt,
                          std::optional<std::string> target = std::nullopt);

    bool operator==(const ScanEvent&) const = default;
};

// A random (version 4) UUID such as "3f0c…-4…-…", unique per call.
std::string makeUuid();

}  // namespace quillon
