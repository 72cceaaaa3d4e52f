#include "app/ssh_config_hosts.h"

#include <glob.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <utility>

#include "core/paths.h"
#include "core/ssh_transport.h"
#include "core/text.h"

namespace quillon::SshConfigHosts {
namespace {

constexpr int maxDepth = 16;  // ssh's own limit
constexpr std::size_t maxFiles = 256;
constexpr std::streamsize maxFileSize = 1 << 20;

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// Words split on blanks; "Host=a" and quoted names as ssh reads them.
std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (isSpace(c) || (c == '=' && out.empty()))) {
            if (any) out.push_back(std::move(word));
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) out.push_back(std::move(word));
    return out;
}

// Calls back with the keyword (lower case) and its arguments of every directive, in order.
void forEachDirective(std::string_view configText,
                      const std::function<void(const std::string&, const std::vector<std::string>&)>& directive) {
    for (auto line : text::split(configText, "\n", true)) {
        line = text::trim(line);
        if (line.empty() || line.front() == '#') continue;
        std::vector<std::string> pieces = words(line);
        if (pieces.size() < 2) continue;
        std::string keyword = std::move(pieces.front());
        std::transform(keyword.begin(), keyword.end(), keyword.begin(), [](unsigned char c) { return std::tolower(c); });
        pieces.erase(pieces.begin());
        directive(keyword, pieces);
    }
}

void addHosts(const std::vector<std::string>& names, std::vector<std::string>& hosts) {
    for (const std::string& name : names) {
        if (name.find_first_of("*?!") != std::string::npos) continue;
        if (SshTransport::destinationProblem(name)) continue;
        if (std::find(hosts.begin(), hosts.end(), name) == hosts.end()) hosts.push_back(name);
    }
}

std::string homeOf(const std::string& user) {
    const passwd* account = user.empty() ? ::getpwuid(::getuid()) : ::getpwnam(user.c_str());
    return account && account->pw_dir ? account->pw_dir : std::string();
}

// Files in lexical order matching an Include word, as ssh resolves it.
std::vector<std::string> matches(const std::string& word, const std::string& home) {
    if (word.empty()) return {};
    std::string pattern = word;
    if (pattern.front() == '~') {
        const auto slash = pattern.find('/');
        const std::string user = pattern.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
        const std::string dir = user.empty() ? home : homeOf(user);
        if (dir.empty()) return {};
        pattern = dir + (slash == std::string::npos ? std::string() : pattern.substr(slash));
    } else if (pattern.front() != '/') {
        pattern = paths::join(paths::join(home, ".ssh"), pattern);
    }
    glob_t found{};
    std::vector<std::string> files;
    if (::glob(pattern.c_str(), 0, nullptr, &found) == 0)
        for (std::size_t i = 0; i < found.gl_pathc; ++i) files.emplace_back(found.gl_pathv[i]);
    ::globfree(&found);
    return files;
}

class Reader {
public:
    explicit Reader(std::string home) : home_(std::move(home)) {}

    void readFile(const std::string& path, int depth) {
        struct stat info {};
        // Only regular files: a FIFO or a device named by a pattern would never end.
        if (depth > maxDepth || seen_.size() >= maxFiles || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return;
        if (!seen_.insert({info.st_dev, info.st_ino}).second) return;
        std::ifstream file(path, std::ios::binary);
        std::string content(static_cast<std::size_t>(std::min<std::streamsize>(info.st_size, maxFileSize)), '\0');
        file.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(file.gcount()));
        forEachDirective(content, [&](const std::string& keyword, const std::vector<std::string>& arguments) {
            if (keyword == "host") addHosts(arguments, hosts_);
            if (keyword != "include") return;
            for (const std::string& word : arguments)
                for (const std::string& included : matches(word, home_)) readFile(included, depth + 1);
        });
    }

    std::vector<std::string> hosts() && { return std::move(hosts_); }

private:
    std::string home_;
    std::set<std::pair<dev_t, ino_t>> seen_;
    std::vector<std::string> hosts_;
};

}  // namespace

std::vector<std::string> parse(std::string_view configText) {
    std::vector<std::string> hosts;
    forEachDirective(configText, [&](const std::string& keyword, const std::vector<std::string>& arguments) {
        if (keyword == "host") addHosts(arguments, hosts);
    });
    return hosts;
}

std::vector<std::string> readFrom(const std::string& homeDirectory) {
    Reader reader(homeDirectory);
    reader.readFile(paths::join(homeDirectory, ".ssh/config"), 0);
    return std::move(reader).hosts();
}

std::vector<std::string> read() {
    const std::string home = homeOf({});
    return home.empty() ? std::vector<std::string>{} : readFrom(home);
}

}  // namespace quillon::SshConfigHosts
