#include "core/tmux_client.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "core/l10n.h"
#include "core/process_runner.h"
#include "core/ssh_transport.h"
#include "core/text.h"
#include "core/tmux_error.h"

namespace quillon {

const std::string TmuxClient::sep = "\x1f";

bool TmuxClient::Invocation::isNoServer() const {
    if (text::contains(standardError, "no server running")) return true;
    // tmux also says "error connecting to" when it may not use the socket (permission) or
    // cannot even name it (too long): that proves nothing about a server behind it.
    return text::contains(standardError, "error connecting to") &&
           (text::contains(standardError, "(No such file or directory)") ||
            text::contains(standardError, "(Connection refused)"));
}

namespace {

// One stray byte (an old Latin-1 directory name) must not cost the rest of the listing.
std::string decoded(std::string bytes) { return text::isValidUtf8(bytes) ? bytes : text::toValidUtf8(bytes); }

}  // namespace

std::vector<std::string> TmuxClient::candidatePaths(const std::optional<std::string>& pathVariable) {
    std::vector<std::string> candidates{"/opt/homebrew/bin/tmux", "/usr/local/bin/tmux", "/usr/bin/tmux"};
    if (pathVariable)
        for (auto dir : text::split(*pathVariable, ":", true)) candidates.push_back(std::string(dir) + "/tmux");
    return candidates;
}

std::optional<TmuxClient> TmuxClient::detect(const std::optional<std::string>& pathVariable) {
    for (const auto& candidate : candidatePaths(pathVariable))
        if (::access(candidate.c_str(), X_OK) == 0) return TmuxClient(candidate);
    return std::nullopt;
}

std::optional<TmuxClient> TmuxClient::detect() {
    const char* path = std::getenv("PATH");
    return detect(path ? std::optional<std::string>(path) : std::nullopt);
}

std::string TmuxClient::timeoutMessage() const {
    if (host) return SshTransport::timeoutMessage(*host, timeout);
    const auto ms = timeout.count();
    const std::string limit = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
    return L("tmux nu a răspuns în " + limit + " și a fost oprit (serverul pare blocat)",
             "tmux did not answer within " + limit + " and was stopped (the server seems stuck)");
}

TmuxClient::Invocation TmuxClient::invoke(const std::vector<std::string>& args) const {
    std::vector<std::string> argv;
    argv.reserve(2 + socketArgs.size() + args.size());
    // -u: without a UTF-8 locale (hosts often start us with a bare environment) tmux would
    // print every non-ASCII byte, the field separator included, as "_".
    argv.insert(argv.end(), {host ? std::string("tmux") : binaryPath, "-u"});
    argv.insert(argv.end(), socketArgs.begin(), socketArgs.end());
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessOutput output;
    const std::string program = host ? std::string("ssh") : binaryPath;
    try {
        output = host ? SshTransport::run(*host, argv, timeout) : runProcess(binaryPath, argv, timeout);
    } catch (const std::system_error& error) {
        throw TmuxError::commandFailed(L("Nu am putut porni " + program + ": " + std::strerror(error.code().value()),
                                         "Could not start " + program + ": " + std::strerror(error.code().value())));
    }
    Invocation invocation;
    invocation.standardOutput = decoded(std::move(output.out));
    invocation.standardError = std::string(text::trim(decoded(std::move(output.err))));
    invocation.exitCode = output.exitCode;
    invocation.timedOut = output.timedOut;
    return invocation;
}

std::string TmuxClient::run(const std::vector<std::string>& args) const { return outputOf(invoke(args), true); }

std::string TmuxClient::outputOf(Invocation invocation, bool noServerIsEmpty) const {
    if (invocation.timedOut) throw TmuxError::commandFailed(timeoutMessage());
    if (invocation.exitCode == 0) return std::move(invocation.standardOutput);
    if (invocation.isNoServer() && noServerIsEmpty) return {};
    if (!invocation.standardError.empty()) throw TmuxError::commandFailed(invocation.standardError);
    // source-file reports the lines it could not read on stdout.
    if (auto said = text::trim(invocation.standardOutput); !said.empty()) throw TmuxError::commandFailed(std::string(said));
    const std::string status = std::to_string(invocation.exitCode);
    throw TmuxError::commandFailed(L("tmux a eșuat (exit " + status + ")", "tmux failed (exit " + status + ")"));
}

}  // namespace quillon
