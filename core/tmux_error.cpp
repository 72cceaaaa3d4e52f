#include "core/tmux_error.h"

#include "core/l10n.h"
#include "core/platform_texts.h"

namespace quillon {

TmuxError::TmuxError(Kind kind, std::string message)
    : std::runtime_error(message.empty() ? "tmux binary not found" : message),
      kind_(kind),
      message_(std::move(message)) {}

TmuxError TmuxError::commandFailed(std::string message) { return TmuxError(Kind::commandFailed, std::move(message)); }

TmuxError TmuxError::binaryNotFound() { return TmuxError(Kind::binaryNotFound, {}); }

std::string TmuxError::localizedDescription() const {
    if (kind_ == Kind::commandFailed) return message_;
    return L("Nu am găsit binarul tmux. ", "Could not find the tmux binary. ") + platformText(PlatformText::installItWith);
}

std::string describe(const std::exception& error) {
    if (const auto* tmuxError = dynamic_cast<const TmuxError*>(&error)) return tmuxError->localizedDescription();
    return error.what();
}

}  // namespace quillon
