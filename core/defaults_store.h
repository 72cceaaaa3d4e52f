#pragma once
// User defaults on Linux: one JSON object per application domain, stored in
// $XDG_CONFIG_HOME/quillon/<domain>.json (default ~/.config).
//
// Reads never fail: a missing, unreadable or unparsable document has no values. Writes
// are atomic (temp file, fsync, rename) and go through a symbolic link to its target, so
// the link stays. They never destroy a document: one that cannot be read (permission,
// I/O error) makes them fail, one that cannot be parsed is first renamed aside as
// <file>.corrupt-<time>.

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

    // Read-modify-write of one key. Throws std::system_error when the document cannot be
    // read or written (its text names the file); the previous document then stays as it was.
    void set(std::string_view key, const nlohmann::json& value);
    // The same for every key of an object at once: one read, one write. Writers of the same
    // document, in any thread or process, take turns (flock on its directory).
    void update(const nlohmann::json& values);
    void remove(std::string_view key);

    // Copies the current file to <file>.corrupt-<time>, for a caller that found a value it
    // cannot decode and is about to replace it. Returns the copy, or nothing without a file.
    std::optional<std::filesystem::path> keepCopyAside() const;

private:
    static void write(const std::filesystem::path& target, const nlohmann::json& document);
    std::filesystem::path path_;
};

}  // namespace quillon
