#pragma once
// The one error type of every core operation.

#include <stdexcept>
#include <string>

namespace quillon {

class TmuxError : public std::runtime_error {
public:
    enum class Kind { commandFailed, binaryNotFound };

    static TmuxError commandFailed(std::string message);
    static TmuxError binaryNotFound();

    Kind kind() const noexcept { return kind_; }
    // The payload for commandFailed; empty for binaryNotFound.
    const std::string& message() const noexcept { return message_; }
    // The text users see. binaryNotFound follows the language current at the call.
    std::string localizedDescription() const;

private:
    TmuxError(Kind kind, std::string message);
    Kind kind_;
    std::string message_;
};

// Any failure as users read it: a TmuxError's localized text, otherwise what() says.
std::string describe(const std::exception& error);

}  // namespace quillon
