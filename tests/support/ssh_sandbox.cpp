#include "tests/support/ssh_sandbox.h"

#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/ssh_transport.h"
#include "core/text.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

const char* const sshdPath = "/usr/sbin/sshd";

void writeFile(const std::string& path, const std::string& content, mode_t mode = 0600) {
    std::ofstream(path) << content;
    ::chmod(path.c_str(), mode);
}

std::string readFile(const std::string& path) {
    std::ostringstream out;
    out << std::ifstream(path).rdbuf();
    return out.str();
}

void keygen(const std::string& path) {
    const auto out = runProcess("/usr/bin/ssh-keygen", {"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", path}, 20s);
    if (out.exitCode != 0) throw std::runtime_error("ssh-keygen failed: " + out.err);
}

// A socket on 127.0.0.1 with the port the kernel chose.
UniqueFd boundSocket(int& port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot bind 127.0.0.1");
    socklen_t length = sizeof address;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

int freePort() {
    int port = 0;
    boundSocket(port);  // closed again at once: the port is free for sshd (or refuses)
    return port;
}

bool accepts(int port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

std::string userName() {
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry) throw std::runtime_error("no account name for this user");
    return entry->pw_name;
}

std::string hostBlock(const std::string& alias, int port, const std::string& key, const std::string& dir,
                      const std::string& remoteTmuxTmpDir) {
    return "Host " + alias + "\n  HostName 127.0.0.1\n  Port " + std::to_string(port) + "\n  User " +
           userName() + "\n  IdentityFile " + key + "\n  IdentitiesOnly yes\n  UserKnownHostsFile " +
           dir + "/known_hosts\n  GlobalKnownHostsFile /dev/null\n  StrictHostKeyChecking yes\n" +
           "  PasswordAuthentication no\n  KbdInteractiveAuthentication no\n  SetEnv TMUX_TMPDIR=" +
           remoteTmuxTmpDir + "\n";
}

// Every process whose chain of parents reaches the given one.
std::vector<pid_t> descendants(pid_t root) {
    std::vector<std::pair<pid_t, pid_t>> parents;  // (pid, parent)
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = readFile(entry.path() / "stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        parents.emplace_back(std::stoi(name), parent);
    }
    std::vector<pid_t> found{root};
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const auto& [pid, parent] : parents)
            if (parent == found[i]) found.push_back(pid);
    found.erase(found.begin());
    return found;
}

}  // namespace

bool SshSandbox::available() { return ::access(sshdPath, X_OK) == 0 && ::access("/usr/bin/ssh", X_OK) == 0; }

SshSandbox::SshSandbox(const std::string& remoteTmuxTmpDir) : dir_("quillon-ssh") {
    const std::string dir = dir_.str();
    keygen(dir + "/host_key");
    keygen(dir + "/client_key");
    keygen(dir + "/stranger_key");
    std::filesystem::copy_file(dir + "/client_key.pub", dir + "/authorized_keys");
    std::filesystem::create_directory(runtimeDirectory());
    ::chmod(runtimeDirectory().c_str(), 0700);
    // sshd run by root insists on its (empty) privilege-separation directory.
    if (::geteuid() == 0) ::mkdir("/run/sshd", 0755);

    port_ = freePort();
    secondPort_ = freePort();
    int mutePort = 0;
    muteListener_ = boundSocket(mutePort);
    ::listen(muteListener_.get(), 8);  // accepted by the kernel, never answered
    // Bound but not listening: connecting is refused, and no other test can take the port.
    int refusingPort = 0;
    refusingHolder_ = boundSocket(refusingPort);

    // SHLVL=1: bash reads ~/.bashrc for commands run by sshd, and on some machines that
    // file never returns under ssh unless it sees a first-level shell.
    writeFile(dir + "/sshd_config",
              "ListenAddress 127.0.0.1\nPort " + std::to_string(port_) + "\nPort " + std::to_string(secondPort_) +
                  "\nHostKey " + dir + "/host_key\nPidFile " +
                  dir + "/sshd.pid\nAuthorizedKeysFile " + dir +
                  "/authorized_keys\nPubkeyAuthentication yes\nPasswordAuthentication no\n"
                  "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\nStrictModes no\nUsePAM no\n"
                  "AcceptEnv TMUX_TMPDIR\nSetEnv SHLVL=1\nLogLevel VERBOSE\nMaxSessions 20\n");
    std::string hostKey = readFile(dir + "/host_key.pub");
    writeFile(dir + "/known_hosts", "[127.0.0.1]:" + std::to_string(port_) + " " + hostKey + "[127.0.0.1]:" +
                                        std::to_string(secondPort_) + " " + hostKey);
    writeFile(dir + "/ssh_config", hostBlock(good, port_, dir + "/client_key", dir, remoteTmuxTmpDir) +
                                       hostBlock(second, secondPort_, dir + "/client_key", dir, remoteTmuxTmpDir) +
                                       hostBlock(wrongKey, port_, dir + "/stranger_key", dir, remoteTmuxTmpDir) +
                                       hostBlock(refusing, refusingPort, dir + "/client_key", dir, remoteTmuxTmpDir) +
                                       hostBlock(mute, mutePort, dir + "/client_key", dir, remoteTmuxTmpDir));
    writeFile(wrapperPath(), "#!/bin/sh\nexec ssh -F '" + dir + "/ssh_config' \"$@\"\n", 0700);

    sshd_ = ChildProcess::spawn(sshdPath, {sshdPath, "-D", "-f", dir + "/sshd_config", "-E", dir + "/sshd.log"}, {});
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!accepts(port_) || !accepts(secondPort_)) {
        if (sshd_.tryWait() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the test sshd did not start: " + readFile(dir + "/sshd.log"));
        std::this_thread::sleep_for(10ms);
    }
    sshEnv_.emplace("QUILLON_SSH", wrapperPath());
    runtimeEnv_.emplace("XDG_RUNTIME_DIR", runtimeDirectory());
}

SshSandbox::~SshSandbox() {
    resumeConnections();
    closeMaster(good);
    closeMaster(second);
    sshd_.signal(SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (!sshd_.tryWait() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    if (sshd_.running()) sshd_.kill();
}

int SshSandbox::acceptedLogins() const {
    int count = 0;
    for (auto line : text::split(readFile(dir_.str() + "/sshd.log"), "\n", true))
        if (text::contains(line, "Accepted publickey")) ++count;
    return count;
}

void SshSandbox::closeMaster(const std::string& alias) const {
    const std::string dir = SshTransport::controlDirectory(L10n::processEnvironment(), ::getuid());
    runProcess(wrapperPath(), {wrapperPath(), "-o", "ControlPath=" + SshTransport::controlPath(dir), "-O", "exit", alias},
               5s);
}

void SshSandbox::stopConnections() {
    for (pid_t pid : descendants(sshd_.pid()))
        if (::kill(pid, SIGSTOP) == 0) stopped_.push_back(pid);
}

void SshSandbox::resumeConnections() {
    for (pid_t pid : stopped_) ::kill(pid, SIGCONT);
    stopped_.clear();
}

}  // namespace quillon::testing
