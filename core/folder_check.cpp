#include "core/folder_check.h"

#include <filesystem>
#include <system_error>

#include "core/l10n.h"
#include "core/paths.h"
#include "core/ssh_transport.h"
#include "core/text.h"
#include "core/tmux_error.h"

namespace quillon {
namespace {

// One "1" or "0" per folder argument, a newline, then the home folder as it is.
constexpr const char* script =
    "for d in \"$@\"; do if [ -d \"$d\" ]; then printf 1; else printf 0; fi; done; printf '\\n%s' \"$HOME\"";

FolderCheck checkHere(const std::vector<std::string>& folders) {
    FolderCheck check{{}, paths::homeDirectory()};
    for (const std::string& folder : folders) {
        std::error_code error;
        if (std::filesystem::is_directory(folder, error)) check.existing.insert(folder);
    }
    return check;
}

FolderCheck checkThere(const TmuxClient& client, const std::vector<std::string>& folders) {
    std::vector<std::string> words{"sh", "-c", script, "quillon-folders"};
    words.insert(words.end(), folders.begin(), folders.end());
    ProcessOutput output;
    try {
        output = SshTransport::run(*client.host, words, client.timeout);
    } catch (const std::system_error& error) {
        throw TmuxError::commandFailed(L("Nu am putut porni ssh: ", "Could not start ssh: ") + error.what());
    }
    if (output.timedOut) throw TmuxError::commandFailed(client.timeoutMessage());
    const auto newline = output.out.find('\n');
    if (output.exitCode != 0 || newline != folders.size() ||
        output.out.find_first_not_of("01") < newline) {
        const std::string said(text::trim(output.err));
        throw TmuxError::commandFailed(!said.empty() ? said
                                                     : L("ssh a eșuat (exit ", "ssh failed (exit ") +
                                                           std::to_string(output.exitCode) + ")");
    }
    FolderCheck check{{}, output.out.substr(newline + 1)};
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (output.out[i] == '1') check.existing.insert(folders[i]);
    return check;
}

}  // namespace

FolderCheck checkFolders(const TmuxClient& client, const std::vector<std::string>& folders) {
    return client.host ? checkThere(client, folders) : checkHere(folders);
}

}  // namespace quillon
