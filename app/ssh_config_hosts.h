#pragma once
// The host aliases of the user's OpenSSH client configuration, offered when adding a remote
// host: the names of its `Host` lines, patterns (with * or ?) and negations left out, from
// ~/.ssh/config and every file it includes, in the order ssh reads them. Read only; ssh
// takes the file from the account's home directory, not from $HOME, and so does this.

#include <string>
#include <string_view>
#include <vector>

namespace quillon::SshConfigHosts {

// Names in file order, each once; `Include` lines are not followed.
std::vector<std::string> parse(std::string_view configText);

// <home>/.ssh/config and what it includes, as ssh does: each `Include` word is a path with
// glob(7) wildcards (files in lexical order), a leading ~ for a home directory, relative
// paths under <home>/.ssh; its hosts come where the line stands. Bounded as ssh bounds it
// (16 files deep), and further: each file read once (so a cycle ends), only regular files
// of at most 1 MiB, at most 256 files. Nothing when the file is missing or unreadable.
std::vector<std::string> readFrom(const std::string& homeDirectory);

// readFrom the account's home directory (getpwuid).
std::vector<std::string> read();

}  // namespace quillon::SshConfigHosts
