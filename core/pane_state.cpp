#include "core/pane_state.h"

#include "core/l10n.h"
#include "core/raw_value.h"

namespace quillon {

std::string_view toRaw(PaneState state) {
    switch (state) {
        case PaneState::waitingForInput: return "waitingForInput";
        case PaneState::running: return "running";
        case PaneState::finished: return "finished";
        case PaneState::quiet: return "quiet";
        case PaneState::idle: return "idle";
        case PaneState::exited: return "exited";
        case PaneState::unknown: return "unknown";
    }
    return "unknown";
}

const std::vector<PaneState>& allPaneStates() {
    static const std::vector<PaneState> states{PaneState::waitingForInput, PaneState::running, PaneState::finished,
                                               PaneState::quiet,           PaneState::idle,    PaneState::exited,
                                               PaneState::unknown};
    return states;
}

std::optional<PaneState> paneStateFromRaw(std::string_view raw) { return caseFromRaw(allPaneStates(), raw); }

std::string label(PaneState state) {
    switch (state) {
        case PaneState::waitingForInput: return L("Așteaptă input", "Waiting for input");
        case PaneState::running: return L("Rulează", "Running");
        case PaneState::finished: return L("Terminat", "Finished");
        case PaneState::quiet: return L("Liniștit", "Quiet");
        case PaneState::idle: return L("La prompt", "At the prompt");
        case PaneState::exited: return L("Ieșit", "Exited");
        case PaneState::unknown: return L("stare necunoscută", "state unknown");
    }
    return {};
}

Urgency urgency(const PaneStatus& status) {
    if (status.state == PaneState::waitingForInput) return Urgency::waiting;
    if (status.exitedWithError()) return Urgency::failed;
    if (status.bellAt) return Urgency::bell;
    switch (status.state) {
        case PaneState::finished:
        case PaneState::exited: return Urgency::finished;
        case PaneState::quiet: return Urgency::quiet;
        case PaneState::running: return Urgency::running;
        case PaneState::idle: return Urgency::idle;
        default: return Urgency::unknown;
    }
}

bool needsUser(Urgency urgency) { return urgency <= Urgency::finished; }

}  // namespace quillon
