#include "core/ssh_transport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "core/paths.h"
#include "core/text.h"

namespace quillon::SshTransport {
namespace {

using namespace std::chrono_literals;

// A socket address holds 107 bytes and a NUL. ssh binds "<ControlPath>.<16 characters>"
// first and renames it into place; "ssh-%C" expands to 44 characters.
constexpr std::size_t socketAddressLength = 107;
constexpr std::size_t controlNameLength = 1 + 44 + 1 + 16;

// ssh splits an -o value at blanks and quotes, reads backslashes, expands % and a leading ~:
// a directory of other characters than these would not be the one we checked.
bool sshTakesAsWritten(const std::string& dir) {
    if (dir.empty() || dir.front() != '/' || dir.size() + controlNameLength > socketAddressLength) return false;
    return std::all_of(dir.begin(), dir.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("/._-+,@=:").find(c) != std::string_view::npos;
    });
}

std::string privateDirectory(const std::string& dir, unsigned uid) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), dir);
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) throw std::system_error(errno, std::generic_category(), dir);
    // Another user's directory in /tmp could hand our connections to them.
    if (!S_ISDIR(info.st_mode) || info.st_uid != uid || (info.st_mode & 077) != 0)
        throw std::system_error(EPERM, std::generic_category(), dir);
    return dir;
}

// The ssh program and control directory every run of this process uses.
struct Route {
    std::string program;
    std::string controlDirectory;
};

Route currentRoute() {
    const Environment environment = L10n::processEnvironment();
    const auto program = sshProgram(environment);
    if (!program) throw std::system_error(ENOENT, std::generic_category(), "ssh");
    return {*program, controlDirectory(environment, ::getuid())};
}

// An -O request is answered by the local master itself, never by the far end.
bool askMaster(const Route& route, const std::string& destination, const char* request) {
    const auto out = runProcess(route.program,
                                {route.program, "-o", "ControlPath=" + controlPath(route.controlDirectory), "-O",
                                 request, "--", destination},
                                2s);
    return !out.timedOut && out.exitCode == 0;
}

// After a run timed out: a master that cannot carry even `true` any more would stall every
// later run to the destination until its keep-alives give up, so it is stopped now. One
// that answers stays: the slow part was the remote tmux, and other servers use the master.
void dropStalledMaster(const Route& route, const std::string& destination) {
    try {
        if (!askMaster(route, destination, "check")) return;
        const auto probe = commandLine(route.program, route.controlDirectory, destination, {"true"});
        const auto answer = runProcess(probe.front(), probe, 3s);
        if (!answer.timedOut && answer.exitCode == 0) return;
        askMaster(route, destination, "exit");
    } catch (const std::system_error&) {
        // ssh started once already; the caller's timeout is what matters.
    }
}

}  // namespace

std::optional<std::string> destinationProblem(std::string_view destination) {
    if (destination.empty()) return L("Destinația ssh e goală.", "The ssh destination is empty.");
    if (destination.front() == '-')
        return L("O destinație ssh nu poate începe cu „-” (ar fi citită ca opțiune).",
                 "An ssh destination cannot start with \"-\" (it would read as an option).");
    for (unsigned char c : destination) {
        if (c == ' ') return L("O destinație ssh nu poate conține spații.", "An ssh destination cannot contain spaces.");
        if (c < 0x20 || c == 0x7f)
            return L("O destinație ssh nu poate conține caractere de control.",
                     "An ssh destination cannot contain control characters.");
    }
    return std::nullopt;
}

std::optional<std::string> sshProgram(const Environment& environment) {
    std::string program = environmentValue(environment, "QUILLON_SSH");
    if (program.empty()) program = "ssh";
    if (text::contains(program, "/")) return program;
    for (auto dir : text::split(environmentValue(environment, "PATH"), ":", true)) {
        std::string candidate = paths::join(dir, program);
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

std::string controlDirectory(const Environment& environment, unsigned uid) {
    const std::string runtime = environmentValue(environment, "XDG_RUNTIME_DIR");
    const std::string tmp = environmentValue(environment, "TMPDIR");
    const std::string own = "quillon-" + std::to_string(uid);
    for (const std::string& candidate :
         {runtime.empty() ? std::string() : paths::join(runtime, "quillon"), tmp.empty() ? std::string() : paths::join(tmp, own)})
        if (sshTakesAsWritten(candidate)) return privateDirectory(candidate, uid);
    return privateDirectory("/tmp/" + own, uid);
}

std::string controlPath(const std::string& controlDirectory) { return paths::join(controlDirectory, "ssh-%C"); }

std::vector<std::string> commandLine(const std::string& program, const std::string& controlDirectory,
                                     const std::string& destination, const std::vector<std::string>& remoteWords) {
    std::vector<std::string> argv{program,
                                  "-T",
                                  "-o",
                                  "BatchMode=yes",
                                  "-o",
                                  "ConnectTimeout=5",
                                  "-o",
                                  "ServerAliveInterval=5",
                                  "-o",
                                  "ServerAliveCountMax=2",
                                  "-o",
                                  "ControlMaster=auto",
                                  "-o",
                                  "ControlPath=" + controlPath(controlDirectory),
                                  "-o",
                                  "ControlPersist=60",
                                  "--",
                                  destination};
    for (const std::string& word : remoteWords) argv.push_back(text::shellQuote(word));
    return argv;
}

std::vector<std::string> processCommandLine(const std::string& destination,
                                            const std::vector<std::string>& remoteWords) {
    const Route route = currentRoute();
    return commandLine(route.program, route.controlDirectory, destination, remoteWords);
}

ProcessOutput run(const std::string& destination, const std::vector<std::string>& remoteWords,
                  std::chrono::milliseconds timeout) {
    const Route route = currentRoute();
    const std::vector<std::string> argv = commandLine(route.program, route.controlDirectory, destination, remoteWords);
    ProcessOutput output = runProcess(argv.front(), argv, timeout);
    if (output.timedOut) dropStalledMaster(route, destination);
    return output;
}

std::string timeoutMessage(const std::string& destination, std::chrono::milliseconds timeout) {
    const auto ms = timeout.count();
    const std::string limit = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
    return L("ssh către " + destination + " nu a răspuns în " + limit + " și a fost oprit",
             "ssh to " + destination + " did not answer within " + limit + " and was stopped");
}

}  // namespace quillon::SshTransport
