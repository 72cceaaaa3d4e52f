#pragma once
// The MCP revisions quillon-mcp speaks and what each adds to its answers. The client names
// the revision it wants in "initialize"; the server agrees to it when it knows it, else it
// offers its newest, and answers in that revision's shape from then on.

#include <array>
#include <optional>
#include <string_view>

namespace quillon::mcp {

enum class ProtocolRevision { v2024_11_05, v2025_03_26, v2025_06_18 };

// Oldest first, as the revisions appeared.
inline constexpr std::array supportedRevisions{ProtocolRevision::v2024_11_05, ProtocolRevision::v2025_03_26,
                                               ProtocolRevision::v2025_06_18};
inline constexpr ProtocolRevision latestRevision = supportedRevisions.back();
// What a conversation speaks before any "initialize": the answers as they were first made.
inline constexpr ProtocolRevision preNegotiationRevision = supportedRevisions.front();

// "2024-11-05", "2025-03-26", "2025-06-18".
std::string_view toRaw(ProtocolRevision revision);
std::optional<ProtocolRevision> protocolRevisionFromRaw(std::string_view raw);

// The client's revision when supported; anything else (unknown, newer, absent) gets the latest.
ProtocolRevision negotiate(std::optional<std::string_view> asked);

// Tool annotations (readOnlyHint, openWorldHint) came with 2025-03-26.
constexpr bool hasToolAnnotations(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_03_26; }
// outputSchema in the catalogue and structuredContent in results came with 2025-06-18.
constexpr bool hasStructuredContent(ProtocolRevision revision) { return revision >= ProtocolRevision::v2025_06_18; }

}  // namespace quillon::mcp
