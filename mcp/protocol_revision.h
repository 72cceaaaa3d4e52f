#pragma once
// The MCP revisions quillon-mcp speaks and what each adds to its answers. They come in two
// eras. Legacy revisions (up to 2025-11-25) agree on one revision for the whole stdio
// process in "initialize"; the server takes the client's when it knows it, else offers its
// newest legacy one, and answers in that revision's shape from then on. The modern revision
// (2026-07-28) has no handshake: every request names its revision in `_meta`, and each is
// answered on its own.

#include <nlohmann/json.hpp>

#include <array>
#include <optional>
#include <string_view>

namespace quillon::mcp {

enum class ProtocolRevision { v2024_11_05, v2025_03_26, v2025_06_18, v2025_11_25, v2026_07_28 };

// Oldest first, as the revisions appeared.
inline constexpr std::array supportedRevisions{ProtocolRevision::v2024_11_05, ProtocolRevision::v2025_03_26,
                                               ProtocolRevision::v2025_06_18, ProtocolRevision::v2025_11_25,
                                               ProtocolRevision::v2026_07_28};
inline constexpr ProtocolRevision latestRevision = supportedRevisions.back();
inline constexpr ProtocolRevision latestLegacyRevision = ProtocolRevision::v2025_11_25;
// What a conversation speaks before any "initialize": the answers as they were first made.
inline constexpr ProtocolRevision preNegotiationRevision = supportedRevisions.front();

// "2024-11-05" … "2026-07-28".
std::string_view toRaw(ProtocolRevision revision);
std::optional<ProtocolRevision> protocolRevisionFromRaw(std::string_view raw);
// Every revision spoken, newest first, as server/discover and -32022 list them.
nlohmann::json supportedRevisionList();

// For "initialize": the client's legacy revision when supported; anything else (unknown, a
// modern one, absent) gets the newest legacy revision.
ProtocolRevision negotiate(std::optional<std::string_view> asked);

// Per-request `_meta` instead of a handshake; resultType, serverInfo in `_meta`, cache hints.
constexpr bool isModern(ProtocolRevision revision) { return revision >= ProtocolRevision::v2026_07_28; }
// Tool annotations (readOnlyHint, openWorldHint) came with 2025-03-26.
constexpr bool hasToolAnnotations(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_03_26; }
// outputSchema in the catalogue and structuredContent in results came with 2025-06-18.
constexpr bool hasStructuredContent(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_06_18; }
// Tool titles, and a title and description in serverInfo, came with 2025-11-25; so did the
// rule that a call naming no known tool is a protocol error (-32602), not a tool result.
constexpr bool hasTitles(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_11_25; }
constexpr bool refusesUnknownTools(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_11_25; }
// JSON-RPC batches: added by 2025-03-26, removed again by 2025-06-18.
constexpr bool acceptsBatches(ProtocolRevision revision) { return revision == ProtocolRevision::v2025_03_26; }
// An error whose request id could not be read: from 2025-11-25 the id is left out, before it
// is null as in JSON-RPC itself.
constexpr bool omitsUnreadableIds(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_11_25; }

}  // namespace quillon::mcp
