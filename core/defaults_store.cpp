#include "core/defaults_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

#include "core/atomic_file.h"
#include "core/paths.h"
#include "core/process_runner.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Holds flock on a document's directory for one read-modify-write, so writers on other
// threads or in other processes (the settings writer, the rule and template stores) never
// write back a document read before another's change. Made if missing; best effort when the
// directory cannot be opened (the write then fails and says why).
class DirectoryLock {
public:
    explicit DirectoryLock(const fs::path& directory) {
        std::error_code error;
        fs::create_directories(directory, error);
        fd_.reset(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd_) return;
        while (::flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) continue;
    }

private:
    UniqueFd fd_;  // closing it releases the lock
};

struct Loaded {
    bool exists = false;
    int readError = 0;  // the document is there but could not be read (EACCES, EIO, EISDIR…)
    std::optional<nlohmann::json> document;  // absent when the file does not parse as an object
};

Loaded load(const fs::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        return {!missing, missing ? 0 : errno, {}};
    }
    std::string contents;
    char block[65536];
    for (ssize_t n; (n = ::read(fd.get(), block, sizeof block)) != 0;) {
        if (n > 0) contents.append(block, static_cast<std::size_t>(n));
        else if (errno != EINTR) return {true, errno, {}};
    }
    auto parsed = nlohmann::json::parse(contents, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) return {true, 0, std::nullopt};
    return {true, 0, std::move(parsed)};
}


}  // namespace

fs::path DefaultsStore::documentPath(std::string_view domain, const Environment& environment) {
    return fs::path(paths::xdgDirectory(environment, "XDG_CONFIG_HOME", ".config")) / "quillon" /
           (std::string(domain) + ".json");
}

DefaultsStore::DefaultsStore(fs::path documentPath) : path_(std::move(documentPath)) {}

DefaultsStore DefaultsStore::standard() {
    return DefaultsStore(documentPath(L10n::appBundleIdentifier, L10n::processEnvironment()));
}

nlohmann::json DefaultsStore::document() const {
    auto loaded = load(path_);
    return loaded.document ? std::move(*loaded.document) : nlohmann::json::object();
}

std::optional<nlohmann::json> DefaultsStore::value(std::string_view key) const {
    auto doc = document();
    auto it = doc.find(key);
    if (it == doc.end()) return std::nullopt;
    return std::move(*it);
}

std::optional<std::string> DefaultsStore::string(std::string_view key) const {
    auto v = value(key);
    if (!v || !v->is_string()) return std::nullopt;
    return v->get<std::string>();
}

std::optional<double> DefaultsStore::number(std::string_view key) const {
    auto v = value(key);
    if (!v || !v->is_number()) return std::nullopt;
    return v->get<double>();
}

std::optional<bool> DefaultsStore::boolean(std::string_view key) const {
    auto v = value(key);
    if (!v || !v->is_boolean()) return std::nullopt;
    return v->get<bool>();
}

void DefaultsStore::set(std::string_view key, const nlohmann::json& value) {
    update(nlohmann::json::object({{std::string(key), value}}));
}

void DefaultsStore::update(const nlohmann::json& values) {
    const fs::path target = linkTarget(path_);
    const DirectoryLock lock(target.parent_path());
    auto loaded = load(target);
    // A document we cannot read may be perfectly good: it is never replaced.
    if (loaded.readError)
        throw std::system_error(loaded.readError, std::generic_category(),
                                L("Nu pot citi " + path_.string() + ", așa că nu scriu peste el",
                                  "Cannot read " + path_.string() + ", so it is not written over"));
    if (loaded.exists && !loaded.document) {
        // Never overwrite what we could not parse: the user may still want it.
        std::error_code error;
        fs::rename(target, corruptAsidePath(target), error);
        if (error) throw std::system_error(error, path_.string());
    }
    nlohmann::json doc = loaded.document ? std::move(*loaded.document) : nlohmann::json::object();
    for (const auto& [key, value] : values.items()) doc[key] = value;
    write(target, doc);
}

void DefaultsStore::remove(std::string_view key) {
    const fs::path target = linkTarget(path_);
    const DirectoryLock lock(target.parent_path());
    auto loaded = load(target);
    if (!loaded.document || !loaded.document->contains(key)) return;
    loaded.document->erase(std::string(key));
    write(target, *loaded.document);
}

std::optional<fs::path> DefaultsStore::keepCopyAside() const {
    std::error_code error;
    if (!fs::exists(path_, error)) return std::nullopt;
    const fs::path aside = corruptAsidePath(path_);
    fs::copy_file(path_, aside, error);
    if (error) throw std::system_error(error, aside.string());
    return aside;
}

void DefaultsStore::write(const fs::path& target, const nlohmann::json& document) {
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (error) throw std::system_error(error, target.parent_path().string());
    // Private to the user, like the settings themselves.
    writeFileAtomically(target, document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", 0600);
}

}  // namespace quillon
