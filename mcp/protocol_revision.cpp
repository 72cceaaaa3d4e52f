#include "mcp/protocol_revision.h"

namespace quillon::mcp {

std::string_view toRaw(ProtocolRevision revision) {
    switch (revision) {
        case ProtocolRevision::v2024_11_05: return "2024-11-05";
        case ProtocolRevision::v2025_03_26: return "2025-03-26";
        case ProtocolRevision::v2025_06_18: return "2025-06-18";
        case ProtocolRevision::v2025_11_25: return "2025-11-25";
        case ProtocolRevision::v2026_07_28: return "2026-07-28";
    }
    return "2024-11-05";
}

std::optional<ProtocolRevision> protocolRevisionFromRaw(std::string_view raw) {
    for (const ProtocolRevision revision : supportedRevisions)
        if (toRaw(revision) == raw) return revision;
    return std::nullopt;
}

nlohmann::json supportedRevisionList() {
    nlohmann::json list = nlohmann::json::array();
    for (auto it = supportedRevisions.rbegin(); it != supportedRevisions.rend(); ++it) list.push_back(toRaw(*it));
    return list;
}

ProtocolRevision negotiate(std::optional<std::string_view> asked) {
    if (asked)
        if (const auto known = protocolRevisionFromRaw(*asked); known && !isModern(*known)) return *known;
    return latestLegacyRevision;
}

}  // namespace quillon::mcp
