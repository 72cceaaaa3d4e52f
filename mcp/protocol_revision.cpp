#include "mcp/protocol_revision.h"

namespace quillon::mcp {

std::string_view toRaw(ProtocolRevision revision) {
    switch (revision) {
        case ProtocolRevision::v2024_11_05: return "2024-11-05";
        case ProtocolRevision::v2025_03_26: return "2025-03-26";
        case ProtocolRevision::v2025_06_18: return "2025-06-18";
    }
    return "2024-11-05";
}

std::optional<ProtocolRevision> protocolRevisionFromRaw(std::string_view raw) {
    for (const ProtocolRevision revision : supportedRevisions)
        if (toRaw(revision) == raw) return revision;
    return std::nullopt;
}

ProtocolRevision negotiate(std::optional<std::string_view> asked) {
    if (asked)
        if (const auto known = protocolRevisionFromRaw(*asked)) return *known;
    return latestRevision;
}

}  // namespace quillon::mcp
