#include "core/ssh_transport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/paths.h"
#include "core/text.h"

namespace quillon::SshTransport {

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
    const std::string dir = runtime.empty() ? "/tmp/quillon-" + std::to_string(uid) : paths::join(runtime, "quillon");
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), dir);
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) throw std::system_error(errno, std::generic_category(), dir);
    // Another user's directory in /tmp could hand our connections to them.
    if (!S_ISDIR(info.st_mode) || info.st_uid != uid || (info.st_mode & 077) != 0)
        throw std::system_error(EPERM, std::generic_category(), dir);
    return dir;
}

std::vector<std::string> commandLine(const std::string& program, const std::string& controlDirectory,
                                     const std::string& destination, const std::vector<std::string>& remoteWords) {
    std::vector<std::string> argv{program,
                                  "-T",
                                  "-o",
                                  "BatchMode=yes",
                                  "-o",
                                  "ConnectTimeout=5",
                                  "-o",
                                  "ControlMaster=auto",
                                  "-o",
                                  "ControlPath=" + paths::join(controlDirectory, "ssh-%C"),
                                  "-o",
                                  "ControlPersist=60",
                                  "--",
                                  destination};
    for (const std::string& word : remoteWords) argv.push_back(text::shellQuote(word));
    return argv;
}

std::vector<std::string> processCommandLine(const std::string& destination,
                                            const std::vector<std::string>& remoteWords) {
    const Environment environment = L10n::processEnvironment();
    const auto program = sshProgram(environment);
    if (!program) throw std::system_error(ENOENT, std::generic_category(), "ssh");
    return commandLine(*program, controlDirectory(environment, ::getuid()), destination, remoteWords);
}

ProcessOutput run(const std::string& destination, const std::vector<std::string>& remoteWords,
                  std::chrono::milliseconds timeout) {
    const std::vector<std::string> argv = processCommandLine(destination, remoteWords);
    return runProcess(argv.front(), argv, timeout);
}

std::string timeoutMessage(const std::string& destination, std::chrono::milliseconds timeout) {
    const auto ms = timeout.count();
    const std::string limit = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
    return L("ssh către " + destination + " nu a răspuns în " + limit + " și a fost oprit",
             "ssh to " + destination + " did not answer within " + limit + " and was stopped");
}

}  // namespace quillon::SshTransport
