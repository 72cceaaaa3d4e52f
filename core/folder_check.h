#pragma once
// Which folders exist where a tmux server runs, asked before a restore starts panes in them.
// On this machine the file system answers; on another one a single ssh run of one shell line
// (every folder a quoted word of it) answers for all of them at once, with that machine's
// home folder, so a folder that exists only there is never reported missing, and a pane whose
// folder is gone opens in the home of the machine it runs on.

#include <set>
#include <string>
#include <vector>

#include "core/tmux_client.h"

namespace quillon {

struct FolderCheck {
    std::set<std::string> existing;
    std::string home;  // of the machine the server runs on
};

// Throws TmuxError (with the text of ssh or of its time limit) when the other machine does
// not answer: nothing is known then, and a restore must not guess.
FolderCheck checkFolders(const TmuxClient& client, const std::vector<std::string>& folders);

}  // namespace quillon
