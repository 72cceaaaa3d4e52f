#pragma once
// The host aliases of the user's OpenSSH client configuration, offered when adding a remote
// host: the names of its `Host` lines, patterns (with * or ?) and negations left out.
// Read only; ssh takes the file from the account's home directory, not from $HOME, and so
// does this.

#include <string>
#include <string_view>
#include <vector>

namespace quillon::SshConfigHosts {

// Names in file order, each once.
std::vector<std::string> parse(std::string_view configText);
// ~/.ssh/config of the account (getpwuid); nothing when it is missing or unreadable.
std::vector<std::string> read();

}  // namespace quillon::SshConfigHosts
