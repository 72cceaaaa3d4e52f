#pragma once
// User defaults on Linux: one JSON object per application domain, stored in
// $XDG_CONFIG_HOME/quillon/<domain>.json (default ~/.config).
//
// Reads never fail: a missing or unparsable document has no values. Writes are
// atomic (temp file, fsync, rename) and never destroy a document that could not
// be parsed: it is first renamed aside as <file>.corrupt-<time>.

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/l10n.h"

namespace quillon {

class DefaultsStore {
public:
    // The document of a domain, located from XDG_CONFIG_HOME / HOME of the environment.
    static std::filesystem::path documentPath(std::string_view domain, const Environment& environment);

    explicit DefaultsStore(std::filesystem::path documentPath);
    // The application's own domain (L10n::appBundleIdentifier) in the process environment.
    static DefaultsStore standard();

    const std::filesystem::path& path() const noexcept { return path_; }

    // The whole document; an empty object when missing or unparsable.
    nlohmann::json document() const;
    std::optional<nlohmann::json> value(std::string_view key) const;
    std::optional<std::string> string(std::string_view key) const;
    std::optional<double> number(std::string_view key) const;
    std::optional<bool> boolean(std::string_view key) const;

    // Read-modify-write of one key. Throws std::system_error when the file cannot be written;
    // the previous document then stays as it was.
    void set(std::string_view key, const nlohmann::json& value);
    void remove(std::string_view key);

    // Copies the current file to <file>.corrupt-<time>, for a caller that found a value it
    // cannot decode and is about to replace it. Returns the copy, or nothing without a file.
    std::optional<std::filesystem::path> keepCopyAside() const;

private:
    void write(const nlohmann::json& document) const;
    std::filesystem::path path_;
};

}  // namespace quillon
